#include "PageFile.h"

#include <optional>

#include "InfoFile.h"
#include "PdfLibrary.h"
#include "Texts.h"

namespace imbinder {
namespace {

// The page writer's properties, by the ids it documents.
enum PdfProperty {
    kDocumentFile = PdfLibrary::kDocumentFileProperty,
    kProducer = 14,
    kUnits = 31,
    kPageHeight = 34,
    kPageWidth = 36,
    kOpening = 44,
    kJpegQuality = 45,
    kCompression = 51,
    kImageCompression = 52,
};

// The writer's box with the page's properties set, its document begun and the picture drawn;
// nothing when the writer is missing.
std::optional<int32_t> BeginPage(PdfLibrary& pdf, intptr_t ownerWindow,
                                 const PageFileRequest& request) {
    const std::optional<int32_t> created = pdf.CreateBox(ownerWindow, 0);
    if (!created) return std::nullopt;
    const int32_t box = *created;
    SetNumPropChecked(pdf, box, kOpening, 1);
    SetStrPropChecked(pdf, box, kDocumentFile, request.pageFile);
    SetNumPropChecked(pdf, box, kOpening, 0);
    SetStrPropChecked(pdf, box, kProducer, kProductName);
    SetNumPropChecked(pdf, box, kPageWidth, request.size.width);
    SetNumPropChecked(pdf, box, kPageHeight, request.size.height);
    SetNumPropChecked(pdf, box, kUnits, 2);
    SetNumPropChecked(pdf, box, kJpegQuality, request.quality);
    SetNumPropChecked(pdf, box, kCompression, 2);
    SetNumPropChecked(pdf, box, kImageCompression, 2);
    CheckPdfResult(pdf, pdf.BeginDoc(box));
    CheckPdfResult(pdf, pdf.StretchDrawFromFile(box, 0, 0, request.size.width, request.size.height,
                                                request.bitmap));
    return box;
}

void EndPage(PdfLibrary& pdf, int32_t box) {
    CheckPdfResult(pdf, pdf.EndDoc(box));
    pdf.FreeBox(box);
}

void WritePlainPage(PdfLibrary& pdf, intptr_t ownerWindow, const PageFileRequest& request) {
    if (const std::optional<int32_t> box = BeginPage(pdf, ownerWindow, request)) EndPage(pdf, *box);
}

// A layer refused when it is laid leaves the page as it is; one refused when the page is
// written (the layered page may not fit where the plain one does) takes the page with it, so
// the page is written again without it.
std::string WriteLayeredPage(PdfLibrary& pdf, intptr_t ownerWindow,
                             const PageFileRequest& request) {
    const std::optional<int32_t> box = BeginPage(pdf, ownerWindow, request);
    if (!box) return {};
    const std::optional<int32_t> laid = pdf.DrawTextLayerFromFile(
        *box, 0, 0, request.size.width, request.size.height, request.recognition);
    if (!laid || *laid == PdfLibrary::kFailure) {
        const std::string refused = laid ? pdf.GetErrorMsg() : texts::kNoTextLayerCall;
        EndPage(pdf, *box);
        return refused;
    }
    const std::optional<int32_t> ended = pdf.EndDoc(*box);
    pdf.FreeBox(*box);
    if (ended != PdfLibrary::kFailure) return {};
    const std::string refused = pdf.GetErrorMsg();
    WritePlainPage(pdf, ownerWindow, request);
    return refused;
}

}  // namespace

std::string WritePdfPage(PdfLibrary& pdf, intptr_t ownerWindow, const PageFileRequest& request) {
    if (!request.recognition.empty()) return WriteLayeredPage(pdf, ownerWindow, request);
    WritePlainPage(pdf, ownerWindow, request);
    return {};
}

}  // namespace imbinder

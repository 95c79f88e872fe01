#include "PageFile.h"

#include <optional>

#include "InfoFile.h"
#include "PdfLibrary.h"

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

}  // namespace

void WritePdfPage(PdfLibrary& pdf, intptr_t ownerWindow, const PageFileRequest& request) {
    const std::optional<int32_t> created = pdf.CreateBox(ownerWindow, 0);
    if (!created) return;
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
    CheckPdfResult(pdf, pdf.EndDoc(box));
    pdf.FreeBox(box);
}

}  // namespace imbinder

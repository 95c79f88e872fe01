#include "PageDocument.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "DecodeFaults.h"
#include "LayeredPage.h"
#include "Messages.h"
#include "SystemErrors.h"

namespace pdfctl32 {
namespace {

// Fails with the system's reason, in the user's words, for why the file could not be written
// completely.
platform::Outcome WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return {common::SystemErrorText(errno)};
    bool complete =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    int why = errno;
    if (std::fclose(file) != 0 && complete) {
        complete = false;
        why = errno;
    }
    if (!complete) return {common::SystemErrorText(why)};
    return {};
}

}  // namespace

PageDocument::PageDocument() : doc_(HPDF_New(&PageDocument::HandleError, this)) {}

PageDocument::~PageDocument() {
    if (doc_) HPDF_Free(doc_);
}

void PageDocument::HandleError(HPDF_STATUS error, HPDF_STATUS detail, void* self) {
    auto* document = static_cast<PageDocument*>(self);
    document->error_ = error;
    document->detail_ = detail;
}

std::string PageDocument::LibraryError() const {
    char code[8];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(error_));
    return decoding::Fill(messages::kLibraryError, {code, std::to_string(detail_)});
}

NewPageDocument PageDocument::Create(double width, double height, const std::string& producer) {
    std::unique_ptr<PageDocument> document(new PageDocument());
    if (!document->doc_) return {nullptr, messages::kDocumentNotCreated};
    document->page_ = HPDF_AddPage(document->doc_);
    if (!document->page_ || HPDF_Page_SetWidth(document->page_, width) != HPDF_OK ||
        HPDF_Page_SetHeight(document->page_, height) != HPDF_OK ||
        (!producer.empty() &&
         HPDF_SetInfoAttr(document->doc_, HPDF_INFO_PRODUCER, producer.c_str()) != HPDF_OK)) {
        return {nullptr, messages::kPageNotCreated + document->LibraryError()};
    }
    return {std::move(document), {}};
}

platform::Outcome PageDocument::DrawJpeg(const std::vector<uint8_t>& jpeg, const Rectangle& where) {
    HPDF_Image image =
        HPDF_LoadJpegImageFromMem(doc_, jpeg.data(), static_cast<HPDF_UINT>(jpeg.size()));
    const double pageHeight = HPDF_Page_GetHeight(page_);
    if (!image || HPDF_Page_DrawImage(page_, image, where.x, pageHeight - where.y - where.height,
                                      where.width, where.height) != HPDF_OK) {
        return {messages::kImageNotPlaced + LibraryError()};
    }
    return {};
}

platform::Outcome PageDocument::AddTextLayer(const recognition::RecognizedPage& recognized,
                                             const Rectangle& where, const std::string& fontFile) {
    if (fontFile_.empty()) fontFile_ = fontFile;
    return layer_.Add(recognized, where, HPDF_Page_GetHeight(page_));
}

// The document is made in memory and written here, because libharu's own file writing does
// not notice a write that fails (a full disk) and would report success.
platform::Outcome PageDocument::Save(const std::string& path) {
    if (HPDF_SaveToStream(doc_) != HPDF_OK) {
        return {decoding::Fill(messages::kDocumentFileNotMade, {path}) + LibraryError()};
    }
    std::string bytes;
    HPDF_BYTE buffer[64 * 1024];
    for (;;) {
        HPDF_UINT32 length = sizeof buffer;
        const HPDF_STATUS status = HPDF_ReadFromStream(doc_, buffer, &length);
        bytes.append(reinterpret_cast<const char*>(buffer), length);
        if (status == HPDF_STREAM_EOF) break;
        if (status != HPDF_OK) {
            return {decoding::Fill(messages::kDocumentFileNotMade, {path}) + LibraryError()};
        }
    }
    // A page without text is left as libharu wrote it.
    if (!layer_.Empty()) {
        LayeredDocument layered = pdfctl32::AddTextLayer(bytes, layer_, fontFile_);
        if (!layered.error.empty())
            return {decoding::Fill(messages::kDocumentFileNotMade, {path}) + layered.error};
        bytes = std::move(layered.bytes);
    }
    const platform::Outcome written = WriteFile(path, bytes);
    if (!written.error.empty())
        return {decoding::Fill(messages::kDocumentFileNotWritten, {path, written.error})};
    return {};
}

}  // namespace pdfctl32

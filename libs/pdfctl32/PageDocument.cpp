#include "PageDocument.h"

#include <cstdio>

namespace pdfctl32 {

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
    char code[48];
    std::snprintf(code, sizeof code, " (libharu error 0x%04X, detail %u)",
                  static_cast<unsigned>(error_), static_cast<unsigned>(detail_));
    return code;
}

std::unique_ptr<PageDocument> PageDocument::Create(double width, double height,
                                                   const std::string& producer,
                                                   std::string* error) {
    std::unique_ptr<PageDocument> document(new PageDocument());
    if (!document->doc_) {
        *error = "The document cannot be created.";
        return nullptr;
    }
    document->page_ = HPDF_AddPage(document->doc_);
    if (!document->page_ || HPDF_Page_SetWidth(document->page_, width) != HPDF_OK ||
        HPDF_Page_SetHeight(document->page_, height) != HPDF_OK ||
        (!producer.empty() &&
         HPDF_SetInfoAttr(document->doc_, HPDF_INFO_PRODUCER, producer.c_str()) != HPDF_OK)) {
        *error = "The page cannot be created." + document->LibraryError();
        return nullptr;
    }
    return document;
}

std::string PageDocument::DrawJpeg(const std::vector<uint8_t>& jpeg, const Rectangle& where) {
    HPDF_Image image =
        HPDF_LoadJpegImageFromMem(doc_, jpeg.data(), static_cast<HPDF_UINT>(jpeg.size()));
    const double pageHeight = HPDF_Page_GetHeight(page_);
    if (!image || HPDF_Page_DrawImage(page_, image, where.x, pageHeight - where.y - where.height,
                                      where.width, where.height) != HPDF_OK) {
        return "The image cannot be placed on the page." + LibraryError();
    }
    return {};
}

std::string PageDocument::Save(const std::string& path) {
    if (HPDF_SaveToFile(doc_, path.c_str()) != HPDF_OK) {
        return "The document file " + path + " cannot be written." + LibraryError();
    }
    return {};
}

}  // namespace pdfctl32

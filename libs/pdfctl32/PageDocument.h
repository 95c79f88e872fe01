// A PDF document of one page, in points, written through libharu.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RecognizedPage.h"
#include "TextLayer.h"
#include "platform/Host.h"

namespace pdfctl32 {

struct NewPageDocument;

class PageDocument {
  public:
    // The smallest and largest page side PDF viewers are required to handle.
    static constexpr double kMinimumSide = 3;
    static constexpr double kMaximumSide = 14400;

    // A document with one empty page.
    static NewPageDocument Create(double width, double height, const std::string& producer);
    ~PageDocument();
    PageDocument(const PageDocument&) = delete;
    PageDocument& operator=(const PageDocument&) = delete;

    // Places JPEG bytes, embedded unchanged, scaled into the rectangle.
    platform::Outcome DrawJpeg(const std::vector<uint8_t>& jpeg, const Rectangle& where);
    // Lays the recognized lines of a picture drawn into the rectangle under it, invisible, in
    // the font file given (kept from the first call on). Fails, adding nothing, when the page
    // would need more distinct characters than a layer holds.
    platform::Outcome AddTextLayer(const recognition::RecognizedPage& recognized,
                                   const Rectangle& where, const std::string& fontFile);
    // Writes the file; with a text layer only when one holds text.
    platform::Outcome Save(const std::string& path);

  private:
    PageDocument();
    static void HandleError(HPDF_STATUS error, HPDF_STATUS detail, void* self);
    std::string LibraryError() const;

    HPDF_Doc doc_ = nullptr;
    HPDF_Page page_ = nullptr;
    HPDF_STATUS error_ = HPDF_OK;
    HPDF_STATUS detail_ = HPDF_OK;
    TextLayer layer_;
    std::string fontFile_;
};

struct NewPageDocument {
    std::unique_ptr<PageDocument> document;  // set when made
    std::string error;
};

}  // namespace pdfctl32

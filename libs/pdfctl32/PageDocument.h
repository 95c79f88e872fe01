// A PDF document of one page, in points, written through libharu.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Host.h"

namespace pdfctl32 {

struct Rectangle {
    double x, y, width, height;  // points, from the page's top left corner
};

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
    // Writes the file.
    platform::Outcome Save(const std::string& path);

  private:
    PageDocument();
    static void HandleError(HPDF_STATUS error, HPDF_STATUS detail, void* self);
    std::string LibraryError() const;

    HPDF_Doc doc_ = nullptr;
    HPDF_Page page_ = nullptr;
    HPDF_STATUS error_ = HPDF_OK;
    HPDF_STATUS detail_ = HPDF_OK;
};

struct NewPageDocument {
    std::unique_ptr<PageDocument> document;  // set when made
    std::string error;
};

}  // namespace pdfctl32

// Renders one page into an encoder in horizontal bands, so that memory stays bounded by the
// band size whatever the page size and resolution.
#pragma once

#include <memory>

#include "MupdfDocument.h"
#include "PageEncoder.h"

namespace quirel {

// The pixels of a band, kept by a worker from page to page: fresh memory of several megabytes
// for every page costs more in page faults than drawing the page.
class BandMemory {
  public:
    // At least bytes bytes, their contents undefined.
    uint8_t* reserve(size_t bytes);

  private:
    std::unique_ptr<uint8_t[]> pixels_;
    size_t size_ = 0;
};

// The page at this resolution is too large to be rendered at all.
class PageTooLarge : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The page was aborted: over its time limit, or asking for more work than a page may take.
class PageAborted : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PageRenderer {
  public:
    // Loads page pageIndex (from 0); throws MupdfError (also when the page was refused memory
    // it needed), PageTooLarge or PageAborted. Loading and rendering stop soon after cookie
    // (or null) is aborted from another thread.
    PageRenderer(const MupdfDocument& pdf, int pageIndex, int xDpi, int yDpi,
                 fz_cookie* cookie = nullptr);
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    // Pixel size: the crop box, rotated as the page says, at the resolution.
    const PageGeometry& geometry() const { return geometry_; }
    // Feeds every pass of the encoder, drawing the bands in memory; throws MupdfError,
    // PageAborted or WriteError.
    void render(PageEncoder& encoder, BandMemory& memory);

  private:
    void renderBand(fz_pixmap* band, int top, int rows);

    fz_context* ctx_;
    MemoryAccount& memory_;
    fz_cookie* cookie_;
    fz_display_list* list_ = nullptr;
    fz_matrix ctm_;
    PageGeometry geometry_;
};

}  // namespace quirel

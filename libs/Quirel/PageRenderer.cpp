#include "PageRenderer.h"

#include <algorithm>
#include <cmath>

#include "JpegMessages.h"
#include "TileGuard.h"

namespace quirel {
namespace {

// One band of RGB pixels per worker; an A4 page at 150 DPI fits in one.
constexpr int64_t kBandBytes = 8 << 20;
constexpr double kLargestSide = 1 << 30;

bool Aborted(const fz_cookie* cookie) { return cookie && cookie->abort; }

// The page's contents and annotations, as fz_new_display_list_from_page records them, but
// with the cookie, so that a page that interprets for ever can be stopped.
fz_display_list* RecordPage(fz_context* ctx, fz_document* doc, int index, fz_cookie* cookie,
                            fz_rect& bounds) {
    fz_page* page = nullptr;
    fz_display_list* list = nullptr;
    fz_device* device = nullptr;
    fz_var(page);
    fz_var(list);
    fz_var(device);
    fz_try(ctx) {
        page = fz_load_page(ctx, doc, index);
        bounds = fz_bound_page(ctx, page);
        list = fz_new_display_list(ctx, bounds);
        device = fz_new_list_device(ctx, list);
        fz_run_page(ctx, page, device, fz_identity, cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
        fz_drop_page(ctx, page);
    }
    fz_catch(ctx) {
        fz_drop_display_list(ctx, list);
        throw MupdfError(fz_caught_message(ctx));
    }
    if (Aborted(cookie)) {
        fz_drop_display_list(ctx, list);
        throw PageAborted("page aborted");
    }
    return list;
}

int PixelsFor(float points, int dpi) {
    const double pixels = std::round(static_cast<double>(points) * dpi / 72.0);
    if (!(pixels <= kLargestSide)) throw PageTooLarge("page too large");
    return std::max(1, static_cast<int>(pixels));
}

fz_device* NewDrawDevice(fz_context* ctx, fz_pixmap* band) {
    fz_device* device = nullptr;
    fz_var(device);
    fz_try(ctx) device = fz_new_draw_device(ctx, fz_identity, band);
    fz_catch(ctx) throw MupdfError(fz_caught_message(ctx));
    return device;
}

// False when MuPDF failed. An abort ends the drawing early without failing.
bool RunList(fz_context* ctx, fz_display_list* list, fz_device* device, fz_matrix ctm,
             fz_rect scissor, fz_cookie* cookie) {
    fz_try(ctx) {
        fz_run_display_list(ctx, list, device, ctm, scissor, cookie);
        if (!Aborted(cookie)) fz_close_device(ctx, device);
    }
    fz_catch(ctx) return false;
    return true;
}

// Draws the band under a tile guard; false when MuPDF failed.
bool DrawBand(fz_context* ctx, fz_display_list* list, fz_matrix ctm, fz_pixmap* band,
              fz_cookie* cookie, bool& tileRefused) {
    fz_device* device = NewDrawDevice(ctx, band);
    const fz_irect bounds = fz_pixmap_bbox(ctx, band);
    bool drawn;
    {
        const TileGuard guard(device, bounds, cookie);
        drawn = RunList(ctx, list, device, ctm, fz_rect_from_irect(bounds), cookie);
        tileRefused = guard.refused();
    }
    fz_drop_device(ctx, device);
    return drawn;
}

fz_pixmap* NewBand(fz_context* ctx, int width, int rows, BandMemory& memory) {
    const int stride = width * 3;
    uint8_t* pixels = memory.reserve(static_cast<size_t>(stride) * static_cast<size_t>(rows));
    fz_pixmap* band = nullptr;
    fz_var(band);
    fz_try(ctx) band =
        fz_new_pixmap_with_data(ctx, fz_device_rgb(ctx), width, rows, nullptr, 0, stride, pixels);
    fz_catch(ctx) throw MupdfError(fz_caught_message(ctx));
    return band;
}

struct BandDropper {
    fz_context* ctx;
    void operator()(fz_pixmap* band) const { fz_drop_pixmap(ctx, band); }
};

}  // namespace

uint8_t* BandMemory::reserve(size_t bytes) {
    if (bytes > size_) {
        pixels_.reset();
        size_ = 0;
        pixels_ = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        size_ = bytes;
    }
    return pixels_.get();
}

PageRenderer::PageRenderer(const MupdfDocument& pdf, int pageIndex, int xDpi, int yDpi,
                           fz_cookie* cookie)
    : ctx_(pdf.context()), memory_(pdf.memory()), cookie_(cookie) {
    const JpegWarningsTo quietJpeg(ctx_);
    memory_.startPage();
    fz_rect bounds;
    list_ = RecordPage(ctx_, pdf.document(), pageIndex, cookie_, bounds);
    try {
        if (memory_.starved()) throw MupdfError("out of memory");
        geometry_ = {PixelsFor(bounds.x1 - bounds.x0, xDpi), PixelsFor(bounds.y1 - bounds.y0, yDpi),
                     xDpi, yDpi};
    } catch (...) {
        fz_drop_display_list(ctx_, list_);
        throw;
    }
    ctm_ = fz_concat(fz_translate(-bounds.x0, -bounds.y0),
                     fz_scale(static_cast<float>(xDpi / 72.0), static_cast<float>(yDpi / 72.0)));
}

PageRenderer::~PageRenderer() { fz_drop_display_list(ctx_, list_); }

void PageRenderer::renderBand(fz_pixmap* band, int top, int rows) {
    band->y = top;
    band->h = rows;
    fz_clear_pixmap_with_value(ctx_, band, 255);  // transparent areas come out white
    bool tileRefused = false;
    if (!DrawBand(ctx_, list_, ctm_, band, cookie_, tileRefused))
        throw MupdfError(fz_caught_message(ctx_));
    if (memory_.starved()) throw MupdfError("out of memory");
    if (tileRefused) throw PageAborted("pattern tiles beyond the limit");
    if (Aborted(cookie_)) throw PageAborted("page aborted");
}

void PageRenderer::render(PageEncoder& encoder, BandMemory& memory) {
    const JpegWarningsTo quietJpeg(ctx_);
    const int width = geometry_.width, height = geometry_.height;
    const int bandRows =
        static_cast<int>(std::clamp<int64_t>(kBandBytes / (int64_t{width} * 3), 1, height));
    std::unique_ptr<fz_pixmap, BandDropper> band(NewBand(ctx_, width, bandRows, memory), {ctx_});
    const int bands = (height + bandRows - 1) / bandRows;
    for (int pass = 0; pass < encoder.passCount(); ++pass) {
        encoder.beginPass(pass);
        for (int i = 0; i < bands; ++i) {
            const int top = (encoder.bottomUp() ? bands - 1 - i : i) * bandRows;
            const int rows = std::min(bandRows, height - top);
            renderBand(band.get(), top, rows);
            encoder.writeRows(band->samples, band->stride, rows);
        }
    }
}

}  // namespace quirel

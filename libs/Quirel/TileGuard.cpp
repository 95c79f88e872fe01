#include "TileGuard.h"

#include <atomic>
#include <cmath>

namespace quirel {
namespace {

// The tile's own pixmap: 64 million pixels (256 MB) is a whole A4 page at 700 DPI.
constexpr double kMaxTilePixels = double(1 << 26);
// The painting of one tile fill within one band, in pixels, each repeat counted as at least
// 64: about four thousand million, a few seconds of work. A fine pattern of 1-point cells
// over an A0 page at 300 DPI needs a hundred times less.
constexpr double kMaxTileWork = 4e9;
constexpr double kPixelsPerRepeat = 64;

thread_local TileGuard* current = nullptr;

double Extent(float low, float high) { return static_cast<double>(high) - low; }

}  // namespace

TileGuard::TileGuard(fz_device* device, fz_irect band, fz_cookie* cookie)
    : beginTile_(device->begin_tile),
      endTile_(device->end_tile),
      band_(fz_rect_from_irect(band)),
      cookie_(cookie),
      outer_(current) {
    device->begin_tile = BeginTile;
    device->end_tile = EndTile;
    current = this;
}

TileGuard::~TileGuard() { current = outer_; }

bool TileGuard::tooMuchWork(fz_rect area, fz_rect view, float xStep, float yStep,
                            fz_matrix ctm) const {
    const fz_rect tile = fz_transform_rect(view, ctm);
    const double tilePixels = (Extent(tile.x0, tile.x1) + 1) * (Extent(tile.y0, tile.y1) + 1);
    if (!(tilePixels <= kMaxTilePixels)) return true;
    // The repeats the draw device paints: those over the part of the area inside the band.
    const fz_rect covered =
        fz_intersect_rect(area, fz_transform_rect(band_, fz_invert_matrix(ctm)));
    if (fz_is_empty_rect(covered)) return false;
    const double across =
        (Extent(covered.x0, covered.x1) + Extent(view.x0, view.x1)) / std::fabs(xStep) + 2;
    const double down =
        (Extent(covered.y0, covered.y1) + Extent(view.y0, view.y1)) / std::fabs(yStep) + 2;
    return !(across * down * (tilePixels + kPixelsPerRepeat) <= kMaxTileWork);
}

int TileGuard::BeginTile(fz_context* ctx, fz_device* device, fz_rect area, fz_rect view,
                         float xStep, float yStep, fz_matrix ctm, int id) {
    TileGuard& guard = *current;
    if (guard.tooMuchWork(area, view, xStep, yStep, ctm)) {
        guard.refused_ = true;
        if (guard.cookie_)
            std::atomic_ref<int>(guard.cookie_->abort).store(1, std::memory_order_relaxed);
        guard.drawn_.push_back(false);
        return 1;  // "cached": the display list skips the tile's content
    }
    guard.drawn_.push_back(true);
    return guard.beginTile_(ctx, device, area, view, xStep, yStep, ctm, id);
}

void TileGuard::EndTile(fz_context* ctx, fz_device* device) {
    TileGuard& guard = *current;
    const bool drawn = guard.drawn_.empty() || guard.drawn_.back();
    if (!guard.drawn_.empty()) guard.drawn_.pop_back();
    if (drawn) guard.endTile_(ctx, device);
}

}  // namespace quirel

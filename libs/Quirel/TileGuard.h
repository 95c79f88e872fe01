// MuPDF repeats a pattern tile in one loop that never looks at the cookie, so a pattern with
// a tiny step would draw for ever, and a huge tile takes its memory before drawing anything.
// The guard weighs every tile before the draw device starts it and refuses the ones over the
// limits: the tile is left undrawn and the page is aborted.
#pragma once

#include <vector>

extern "C" {
#include <mupdf/fitz.h>
}

namespace quirel {

class TileGuard {
  public:
    // Watches the tiles of device, which draws into band, on this thread, while the guard
    // lives; cookie (or null) is aborted when a tile is refused.
    TileGuard(fz_device* device, fz_irect band, fz_cookie* cookie);
    ~TileGuard();
    TileGuard(const TileGuard&) = delete;
    TileGuard& operator=(const TileGuard&) = delete;

    bool refused() const { return refused_; }

  private:
    static int BeginTile(fz_context* ctx, fz_device* device, fz_rect area, fz_rect view,
                         float xStep, float yStep, fz_matrix ctm, int id);
    static void EndTile(fz_context* ctx, fz_device* device);
    bool tooMuchWork(fz_rect area, fz_rect view, float xStep, float yStep, fz_matrix ctm) const;

    decltype(fz_device::begin_tile) beginTile_;
    decltype(fz_device::end_tile) endTile_;
    fz_rect band_;
    fz_cookie* cookie_;
    std::vector<bool> drawn_;  // per open tile: passed on to the draw device
    bool refused_ = false;
    TileGuard* outer_;
};

}  // namespace quirel

// The time a page may take, and the watch that holds the pages of one export to it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
}

#include "Quirel.h"

namespace quirel {

// A page may take base plus perTenMegapixels for every ten million pixels it draws (counted
// once for every pass of its encoder): a large page at a high resolution is never cut short,
// and a page that would render for ever ends a minute after its allowance.
struct PageTimeLimit {
    std::chrono::milliseconds base{60000};
    std::chrono::milliseconds perTenMegapixels{1000};
    std::chrono::milliseconds forPixels(uint64_t pixels) const;
};

// The limit of the exports that start afterwards; tests shorten it to prove the abort in a
// second.
QUIREL_API void SetPageTimeLimit(PageTimeLimit limit);
PageTimeLimit CurrentPageTimeLimit();

// One slot per worker: the page it renders, with the MuPDF cookie that page is rendered with
// and its deadline. Workers start and finish pages; the caller's waiting thread aborts the
// pages past their deadline through their cookies.
class PageWatchdog {
  public:
    PageWatchdog(size_t slots, PageTimeLimit limit);

    // Starts the slot's page with the base allowance; returns the cookie to hand to MuPDF.
    fz_cookie* start(size_t slot);
    // Adds the allowance for the pixels the page draws.
    void allow(size_t slot, uint64_t pixels);
    void finish(size_t slot);
    void abortOverdue();

  private:
    struct Slot {
        fz_cookie cookie{};
        bool busy = false;
        std::chrono::steady_clock::time_point deadline;
    };

    std::mutex mutex_;
    const PageTimeLimit limit_;
    std::vector<Slot> slots_;
};

}  // namespace quirel

#include "PageWatchdog.h"

#include <atomic>

namespace quirel {
namespace {

std::atomic<int64_t> baseMilliseconds{PageTimeLimit{}.base.count()};
std::atomic<int64_t> perTenMegapixelsMilliseconds{PageTimeLimit{}.perTenMegapixels.count()};

}  // namespace

std::chrono::milliseconds PageTimeLimit::forPixels(uint64_t pixels) const {
    constexpr uint64_t kTenMillion = 10'000'000;
    const auto perPixels = static_cast<uint64_t>(perTenMegapixels.count());
    return base +
           std::chrono::milliseconds(static_cast<int64_t>(
               pixels / kTenMillion * perPixels + pixels % kTenMillion * perPixels / kTenMillion));
}

void SetPageTimeLimit(PageTimeLimit limit) {
    baseMilliseconds = limit.base.count();
    perTenMegapixelsMilliseconds = limit.perTenMegapixels.count();
}

PageTimeLimit CurrentPageTimeLimit() {
    return {std::chrono::milliseconds(baseMilliseconds.load()),
            std::chrono::milliseconds(perTenMegapixelsMilliseconds.load())};
}

PageWatchdog::PageWatchdog(size_t slots, PageTimeLimit limit) : limit_(limit), slots_(slots) {}

fz_cookie* PageWatchdog::start(size_t slot) {
    std::lock_guard lock(mutex_);
    Slot& page = slots_[slot];
    page.cookie = fz_cookie{};
    page.busy = true;
    page.deadline = std::chrono::steady_clock::now() + limit_.base;
    return &page.cookie;
}

void PageWatchdog::allow(size_t slot, uint64_t pixels) {
    std::lock_guard lock(mutex_);
    slots_[slot].deadline += limit_.forPixels(pixels) - limit_.base;
}

void PageWatchdog::finish(size_t slot) {
    std::lock_guard lock(mutex_);
    slots_[slot].busy = false;
}

void PageWatchdog::abortOverdue() {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    for (Slot& page : slots_)
        if (page.busy && now > page.deadline)
            std::atomic_ref<int>(page.cookie.abort).store(1, std::memory_order_relaxed);
}

}  // namespace quirel

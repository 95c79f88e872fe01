#include "clsWaitableTimer.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/Platform.h"

namespace imbinder {
namespace {

// How long an arriving event may wait to be dispatched; short enough to go unnoticed, long
// enough that the wait costs no processor time worth measuring.
constexpr std::chrono::milliseconds kDispatchInterval{5};

}  // namespace

void clsWaitableTimer::Wait(int milliSeconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point due =
        Clock::now() + std::chrono::milliseconds(std::max(0, milliSeconds));
    for (;;) {
        platform::Yield();
        const Clock::time_point now = Clock::now();
        if (now >= due) return;
        std::this_thread::sleep_for(std::min<Clock::duration>(due - now, kDispatchInterval));
    }
}

}  // namespace imbinder

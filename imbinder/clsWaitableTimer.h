// A wait that keeps the window live: it returns after the given time and, while it waits,
// dispatches every event that arrives.
#pragma once

namespace imbinder {

class clsWaitableTimer {
  public:
    // Dispatches pending events at least once, also for 0 (or less) milliseconds.
    void Wait(int milliSeconds);
};

}  // namespace imbinder

// The system code page of the target systems (GBK) for the whole test process while this lives.
#pragma once

namespace testing_support {

// Switches the C library's character locale to zh_CN.GBK, built with the tests, through the
// platform's override, so the platform layer and every loaded library use GBK; restores the
// previous locale at the end of its scope.
class ChineseCodePage {
  public:
    ChineseCodePage();
    ~ChineseCodePage();
    ChineseCodePage(const ChineseCodePage&) = delete;
    ChineseCodePage& operator=(const ChineseCodePage&) = delete;

    // False when the locale could not be made current (the test cannot run).
    bool active() const { return active_; }

  private:
    bool active_ = false;
};

}  // namespace testing_support

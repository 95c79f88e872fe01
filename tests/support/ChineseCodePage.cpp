#include "tests/support/ChineseCodePage.h"

#include <cstdlib>

#include "platform/Platform.h"

namespace testing_support {

// The locale lies in the build tree, not among the system's: the C library looks there only
// while LOCPATH names the folder, and once loaded the locale stays in force without it.
ChineseCodePage::ChineseCodePage() {
    setenv("LOCPATH", TEST_LOCALES, 1);
    active_ = platform::SetSystemCodePage("zh_CN.GBK");
    unsetenv("LOCPATH");
}

ChineseCodePage::~ChineseCodePage() {
    if (active_) static_cast<void>(platform::SetSystemCodePage(""));
}

}  // namespace testing_support

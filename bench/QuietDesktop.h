// The desktop of the window benchmarks: nothing is shown, opened or played (the end of a run
// would otherwise open a file browser); messages go to standard error.
#pragma once

#include <cstdio>

#include "platform/Platform.h"

namespace bench {

class QuietDesktop : public platform::Desktop {
  public:
    void ShowMessage(const std::string& text, const std::string&, platform::MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    std::optional<std::string> OpenFile(const platform::FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const platform::FileDialogRequest&) override { return {}; }
    std::optional<std::string> BrowseFolder(const std::string&) override { return {}; }
    std::optional<uint32_t> ChooseColor(uint32_t) override { return {}; }
    std::optional<platform::FontChoice> ChooseFont(const platform::FontChoice&) override {
        return {};
    }
    bool ShellOpen(const std::string&) override { return true; }
    bool StartDetached(const std::string&) override { return false; }
    void PlaySoundFile(const std::string&) override {}
    void Beep() override {}
};

}  // namespace bench

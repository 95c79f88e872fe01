#include "tests/support/FakeDesktop.h"

namespace testing_support {

FakeDesktop::FakeDesktop() { platform::SetDesktop(this); }
FakeDesktop::~FakeDesktop() { platform::SetDesktop(nullptr); }

void FakeDesktop::ShowMessage(const std::string& text, const std::string& title,
                              platform::MessageIcon icon) {
    messages_.push_back({text, title, icon});
}

std::optional<std::string> FakeDesktop::OpenFile(const platform::FileDialogRequest& request) {
    fileDialogs_.push_back(request);
    return Take(openFiles_);
}

std::optional<std::string> FakeDesktop::SaveFile(const platform::FileDialogRequest& request) {
    fileDialogs_.push_back(request);
    return Take(saveFiles_);
}

std::optional<std::string> FakeDesktop::BrowseFolder(const std::string& title) {
    folderTitles_.push_back(title);
    return Take(folders_);
}

std::optional<uint32_t> FakeDesktop::ChooseColor(uint32_t) { return Take(colors_); }

std::optional<platform::FontChoice> FakeDesktop::ChooseFont(const platform::FontChoice&) {
    return Take(fonts_);
}

bool FakeDesktop::ShellOpen(const std::string& target) {
    shellOpens_.push_back(target);
    return true;
}

bool FakeDesktop::StartDetached(const std::string& commandLine) {
    detachedStarts_.push_back(commandLine);
    return true;
}

void FakeDesktop::PlaySoundFile(const std::string& path) { soundsPlayed_.push_back(path); }

}  // namespace testing_support

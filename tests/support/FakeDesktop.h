// A desktop for tests: answers dialogs from a script and records everything the programs show
// or start, so a test asserts what the user would have seen.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace testing_support {

struct RecordedMessage {
    std::string text;
    std::string title;
    platform::MessageIcon icon;
};

class FakeDesktop : public platform::Desktop {
  public:
    // Installs itself for its lifetime.
    FakeDesktop();
    ~FakeDesktop() override;

    // Script the next answers; an unscripted dialog is cancelled.
    void nextOpenFile(std::optional<std::string> answer) { openFiles_.push_back(answer); }
    void nextSaveFile(std::optional<std::string> answer) { saveFiles_.push_back(answer); }
    void nextFolder(std::optional<std::string> answer) { folders_.push_back(answer); }
    void nextColor(std::optional<uint32_t> answer) { colors_.push_back(answer); }
    void nextFont(std::optional<platform::FontChoice> answer) { fonts_.push_back(answer); }

    const std::vector<RecordedMessage>& messages() const { return messages_; }
    const std::vector<platform::FileDialogRequest>& fileDialogs() const { return fileDialogs_; }
    const std::vector<std::string>& folderTitles() const { return folderTitles_; }
    const std::vector<std::string>& shellOpens() const { return shellOpens_; }
    const std::vector<std::string>& detachedStarts() const { return detachedStarts_; }
    const std::vector<std::string>& soundsPlayed() const { return soundsPlayed_; }
    int beeps() const { return beeps_; }

    void ShowMessage(const std::string& text, const std::string& title,
                     platform::MessageIcon icon) override;
    std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> BrowseFolder(const std::string& title) override;
    std::optional<uint32_t> ChooseColor(uint32_t initial) override;
    std::optional<platform::FontChoice> ChooseFont(const platform::FontChoice& initial) override;
    bool ShellOpen(const std::string& target) override;
    bool StartDetached(const std::string& commandLine) override;
    void PlaySoundFile(const std::string& path) override;
    void Beep() override { ++beeps_; }

  private:
    template <typename T>
    static std::optional<T> Take(std::deque<std::optional<T>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::string>> openFiles_, saveFiles_, folders_;
    std::deque<std::optional<uint32_t>> colors_;
    std::deque<std::optional<platform::FontChoice>> fonts_;
    std::vector<RecordedMessage> messages_;
    std::vector<platform::FileDialogRequest> fileDialogs_;
    std::vector<std::string> folderTitles_, shellOpens_, detachedStarts_, soundsPlayed_;
    int beeps_ = 0;
};

}  // namespace testing_support

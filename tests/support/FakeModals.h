// Modal windows answered by script: each answer acts on the shown dialog as the user would
// (types into a box, clicks a button) and so closes it; everything shown is recorded. A modal
// window nobody scripted is cancelled, so a test never blocks.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct ShownModal {
    std::string title;
    std::string objectName;
    bool answered = false;  // false: nobody scripted it, and it was cancelled
    int result = QDialog::Rejected;
};

class FakeModals {
  public:
    using Answer = std::function<void(QDialog& dialog)>;

    // Installs itself for its lifetime.
    FakeModals();
    ~FakeModals();
    FakeModals(const FakeModals&) = delete;
    FakeModals& operator=(const FakeModals&) = delete;

    // The user's next turn at a modal window. A window still open after an answer (its check
    // refused the input) gets the next one.
    void next(Answer answer) { answers_.push_back(std::move(answer)); }
    const std::vector<ShownModal>& shown() const { return shown_; }

    // What a user does: types text into the line edit of that objectName, clicks the button of
    // that objectName. A missing control fails the test.
    static void Type(QDialog& dialog, const char* objectName, const std::string& text);
    static void Click(QDialog& dialog, const char* objectName);

  private:
    int Respond(QDialog& dialog);

    std::deque<Answer> answers_;
    std::vector<ShownModal> shown_;
};

}  // namespace testing_support

#include "tests/support/FakeModals.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>

#include "platform/qt/Windows.h"

namespace testing_support {

FakeModals::FakeModals() {
    platform::SetModalHandler([this](QDialog& dialog) { return Respond(dialog); });
}

FakeModals::~FakeModals() { platform::SetModalHandler({}); }

int FakeModals::Respond(QDialog& dialog) {
    size_t index = shown_.size();
    shown_.push_back({dialog.windowTitle().toStdString(), dialog.objectName().toStdString()});
    // Shown (not modally), so that what the window does when it appears has happened and its
    // closing can be seen.
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    bool answered = false;
    while (dialog.isVisible() && !answers_.empty()) {
        FakeModals::Answer answer = std::move(answers_.front());
        answers_.pop_front();
        answer(dialog);
        answered = true;
    }
    if (dialog.isVisible()) dialog.reject();
    shown_[index].answered = answered;
    shown_[index].result = dialog.result();
    return dialog.result();
}

void FakeModals::Type(QDialog& dialog, const char* objectName, const std::string& text) {
    auto* box = dialog.findChild<QLineEdit*>(objectName);
    if (box == nullptr) {
        ADD_FAILURE() << "no text box " << objectName << " in "
                      << dialog.objectName().toStdString();
        return;
    }
    box->setFocus();
    box->setText(QString::fromStdString(text));
}

void FakeModals::Click(QDialog& dialog, const char* objectName) {
    auto* button = dialog.findChild<QAbstractButton*>(objectName);
    if (button == nullptr) {
        ADD_FAILURE() << "no button " << objectName << " in " << dialog.objectName().toStdString();
        return;
    }
    button->click();
}

}  // namespace testing_support

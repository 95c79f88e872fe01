// The services of the windows: the owner of dialogs, answered modal windows, dropped files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "platform/Platform.h"
#include "platform/qt/Windows.h"
#include "tests/support/FakeModals.h"
#include "tests/support/TempDrive.h"

using testing_support::FakeModals;
using Paths = std::vector<std::string>;

namespace {

// A password prompt in miniature: OK closes it only once something is typed.
class TinyPrompt : public QDialog {
  public:
    TinyPrompt() {
        setObjectName("frmTiny");
        setWindowTitle(QString::fromUtf8("输入密码"));
        box->setObjectName("txtPassword");
        ok->setObjectName("cmdOK");
        connect(ok, &QPushButton::clicked, this, [this] {
            if (!box->text().isEmpty()) accept();
        });
    }
    QLineEdit* box = new QLineEdit(this);
    QPushButton* ok = new QPushButton("OK", this);
};

// Closes the message box in front once the event loop runs, noting the window it opened over.
void CloseMessageBoxSoon(QWidget** openedOver) {
    QTimer::singleShot(0, [openedOver] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        *openedOver = box->parentWidget();
        box->done(QMessageBox::Ok);
    });
}

}  // namespace

TEST(Windows, DroppedFilesKeepTheirOrderAndTheirBytesAndOnlyFiles) {
    testing_support::TempCDrive drive;
    const auto& root = drive.root();
    std::string b = root.WriteFile("in/b.pdf");
    std::string spaced = root.WriteFile("in/a 转换.pdf");
    root.WriteFile("in/\xFF.pdf");
    root.MakeFolder("in/sub");
    auto url = [](const std::string& host) {
        return QUrl::fromLocalFile(QString::fromStdString(host)).toEncoded().toStdString();
    };
    std::string list = "# dragged from the file manager\r\n" + url(b) + "\r\n" + url(spaced) +
                       "\r\nfile://localhost" + root.host() + "/in/%FF.pdf\r\n" +
                       url(root.host() + "/in/sub") + "\r\nhttp://example.org/x.pdf\r\n" +
                       "file://server/share/y.pdf\r\n" + url(root.host() + "/in/gone.pdf");
    QMimeData data;
    data.setData("text/uri-list", QByteArray::fromStdString(list));

    EXPECT_EQ(platform::DroppedFiles(data), (Paths{"C:\\in\\b.pdf", "C:\\in\\a 转换.pdf",
                                                   "C:\\in\\\xFF.pdf", "C:\\in\\gone.pdf"}));
    EXPECT_EQ(platform::DroppedFiles(QMimeData()), Paths{});
}

TEST(Windows, ScriptedModalIsAnsweredLikeAUserAndAnUnscriptedOneCancelled) {
    FakeModals modals;
    TinyPrompt prompt;
    modals.next([](QDialog& dialog) { FakeModals::Click(dialog, "cmdOK"); });
    modals.next([](QDialog& dialog) {
        FakeModals::Type(dialog, "txtPassword", "abc");
        FakeModals::Click(dialog, "cmdOK");
    });
    EXPECT_EQ(platform::ShowModal(prompt), QDialog::Accepted);
    EXPECT_EQ(prompt.box->text(), "abc");

    TinyPrompt unscripted;
    EXPECT_EQ(platform::ShowModal(unscripted), QDialog::Rejected);
    EXPECT_FALSE(unscripted.isVisible());
    ASSERT_EQ(modals.shown().size(), 2u);
    EXPECT_EQ(modals.shown()[0].title, "输入密码");
    EXPECT_EQ(modals.shown()[0].objectName, "frmTiny");
    EXPECT_TRUE(modals.shown()[0].answered);
    EXPECT_FALSE(modals.shown()[1].answered);
}

TEST(Windows, DialogsOpenOverTheOwnerEvenWhileAnotherWindowIsActive) {
    auto* owner = new QWidget;
    QWidget other;
    owner->show();
    other.show();
    QApplication::setActiveWindow(&other);
    platform::SetOwnerWindow(reinterpret_cast<intptr_t>(owner));

    QWidget* openedOver = nullptr;
    CloseMessageBoxSoon(&openedOver);
    platform::GetDesktop().ShowMessage("转换完成.", "Pagelift", platform::MessageIcon::Information);
    EXPECT_EQ(openedOver, owner);

    // A modal window of ours is in front: a message opens over it, and it over the owner.
    QDialog dialog;
    QWidget* dialogParent = nullptr;
    QTimer::singleShot(0, [&] {
        dialogParent = dialog.parentWidget();
        CloseMessageBoxSoon(&openedOver);
        platform::GetDesktop().ShowMessage("?", "Pagelift", platform::MessageIcon::Exclamation);
        dialog.reject();
    });
    EXPECT_EQ(platform::ShowModal(dialog), QDialog::Rejected);
    EXPECT_EQ(dialogParent, owner);
    EXPECT_EQ(openedOver, &dialog);
    EXPECT_EQ(dialog.parentWidget(), nullptr) << "lent to the owner only for the showing";

    delete owner;
    EXPECT_EQ(platform::OwnerWindow(), 0);
}

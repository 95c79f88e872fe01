#include "pagelift/frmEncrypt.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "pagelift/Shared.h"
#include "platform/Platform.h"
#include "platform/qt/Geometry.h"
#include "platform/qt/Windows.h"

namespace pagelift {

using namespace platform::window_helpers;

frmEncrypt::frmEncrypt(QWidget* owner) : QDialog(owner) {
    setObjectName("frmEncrypt");
    setWindowTitle(QString::fromUtf8("加密"));
    setFont(ProgramFont());
    setFixedSize(Px(5400), Px(2250));

    Label1 = new QLabel(QString::fromUtf8("这是一个被加密的PDF文件。请输入PDF文件的密码"), this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Label1->setGeometry(Twips(240, 300, 4500, 420));

    txtPWD = new QLineEdit(this);
    txtPWD->setObjectName("txtPWD");
    txtPWD->setEchoMode(QLineEdit::Password);
    txtPWD->setStyleSheet("lineedit-password-character: 42;");  // every character shows as "*"
    txtPWD->setAccessibleName(QString::fromUtf8("密码"));
    txtPWD->setGeometry(Twips(240, 840, 4920, 330));

    lblPWD = new QLabel(QString::fromUtf8("密码输入错误"), this);
    lblPWD->setObjectName("lblPWD");
    lblPWD->setStyleSheet("color: rgb(255, 0, 0);");
    lblPWD->setGeometry(Twips(240, 1260, 2400, 255));
    lblPWD->setVisible(PasswordWrong);

    cmdOK = new QPushButton(QString::fromUtf8("确认"), this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setAccessibleName(cmdOK->text());
    cmdOK->setDefault(true);
    cmdOK->setGeometry(Twips(2520, 1620, 1215, 375));

    cmdCancel = new QPushButton(QString::fromUtf8("取消"), this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setAccessibleName(cmdCancel->text());
    cmdCancel->setAutoDefault(false);
    cmdCancel->setGeometry(Twips(3945, 1620, 1215, 375));

    imgExit = new QToolButton(this);
    imgExit->setObjectName("imgExit");
    imgExit->setText(QString::fromUtf8("×"));
    imgExit->setAccessibleName(QString::fromUtf8("关闭"));
    imgExit->setAutoRaise(true);
    imgExit->setFocusPolicy(Qt::NoFocus);
    imgExit->setGeometry(Twips(4980, 30, 360, 300));

    connect(cmdOK, &QPushButton::clicked, this, &frmEncrypt::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEncrypt::cmdCancel_Click);
    connect(imgExit, &QToolButton::clicked, this, &frmEncrypt::cmdCancel_Click);
    setTabOrder(txtPWD, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    txtPWD->setFocus();
}

void frmEncrypt::cmdOK_Click() {
    if (txtPWD->text().isEmpty()) {
        platform::GetDesktop().ShowMessage("密码为空", "空", platform::MessageIcon::Exclamation);
        return;
    }
    PdfPassword = txtPWD->text().toStdString();
    accept();
}

void frmEncrypt::cmdCancel_Click() {
    PdfPassword.clear();
    reject();
}

void frmEncrypt::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmEncrypt::closeEvent(QCloseEvent* event) {
    event->accept();
    QDialog::reject();
}

void AskForPassword(QWidget* owner) {
    frmEncrypt prompt(owner);
    platform::ShowModal(prompt);
}

}  // namespace pagelift

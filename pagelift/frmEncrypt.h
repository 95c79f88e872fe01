// The password prompt for an encrypted document: shown modally by the conversion run, created
// for one showing. The typed password goes back through PdfPassword.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace pagelift {

class frmEncrypt : public QDialog {
  public:
    explicit frmEncrypt(QWidget* owner);

    QLabel* Label1;
    QLineEdit* txtPWD;
    QLabel* lblPWD;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QToolButton* imgExit;

    void cmdOK_Click();
    void cmdCancel_Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The close box leaves PdfPassword as it was, so the run asks again after a wrong one.
    void closeEvent(QCloseEvent* event) override;
};

// Shows the prompt modally over owner and returns when it has closed.
void AskForPassword(QWidget* owner);

}  // namespace pagelift

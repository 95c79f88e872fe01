// The preview window of an image of the list: a ShowImage with the picture fitted and centred,
// the file name and pixel size in the title. Pictures the platform loader cannot read are
// decoded by the guarded decoder; a file that cannot be shown says why in the window.
#pragma once

#include <QWidget>
#include <string>

class QLabel;

namespace imbinder {

class ShowImage;

class frmPreview : public QWidget {
    Q_OBJECT

  public:
    explicit frmPreview(QWidget* owner);

    ShowImage* ShowImage1;
    QLabel* lblReason;  // why the file is not shown, in place of the picture

    // Shows the image file (Windows-form path). While the guarded decoder works, pending window
    // events run; a newer call in the meantime wins, and a window closed meanwhile is left be.
    void Present(const std::string& windowsPath);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ShowWaiting(const std::string& name);
    void ShowPicture(const std::string& name);
    void ShowReason(const std::string& name, const std::string& reason);
    unsigned latestRequest_ = 0;
};

// Shows the image file in the preview window of owner (nullptr: of the program), without
// blocking: one window, made on the first call and reused by later ones until it is closed,
// so previewing entry after entry does not pile up windows. Returns the window.
frmPreview* ShowImagePreview(QWidget* owner, const std::string& windowsPath);

}  // namespace imbinder

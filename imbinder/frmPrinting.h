// The main window of imbinder: the ordered image list, the document information, the quality,
// the output folder, the toolbar and menus, and the build of one PDF document from the list.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DOSOutputs.h"
#include "DecodeAhead.h"
#include "GuardedDecoder.h"
#include "PdfLibrary.h"
#include "PdftkMerge.h"
#include "common/CommonDialogs.h"
#include "ocr/GuardedRecognizer.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolButton;

namespace platform {
class Library;
}

namespace imbinder {

class ShowImage;

class frmPrinting : public QMainWindow {
  public:
    frmPrinting();
    ~frmPrinting() override;

    // Ends the program once the window has been unloaded (the program sets it; by default the
    // window only closes).
    std::function<void()> endProgram;

    // Controls, in the order of the window's layout.
    std::array<QToolButton*, 7> CmdToolsBar{};
    QLabel* Label2 = nullptr;
    QLabel* lblPageNum = nullptr;
    QListWidget* List1 = nullptr;
    QWidget* picText = nullptr;
    QLabel* lblText = nullptr;
    QLabel* picDoor = nullptr;
    QLabel* lblTitle = nullptr;
    QLineEdit* txtTitle = nullptr;
    QLabel* lblCreateFor = nullptr;
    QLineEdit* txtCreateFor = nullptr;
    QLabel* lblCreationDate = nullptr;
    QLineEdit* txtCreationDate = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* lblSubject = nullptr;
    QLineEdit* txtSubject = nullptr;
    QLabel* lblKeywords = nullptr;
    QLineEdit* txtKeywords = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLabel* lblJPG = nullptr;
    QLabel* lblQuality = nullptr;
    QLabel* lblQtt = nullptr;
    QSlider* Slider1 = nullptr;
    QPushButton* Command3 = nullptr;
    // Whether the build lays the recognized text of every picture under it; off by default.
    QCheckBox* chkRecognize = nullptr;
    QLabel* lblPB = nullptr;
    QProgressBar* pb = nullptr;
    // Hidden; takes the pixel size of each intermediate bitmap the build measures.
    QWidget* PicLoad = nullptr;
    ShowImage* prewImage = nullptr;

    // Commands.
    void CmdToolsBar_Click(int index);
    void Command1_Click();
    void Command3_Click();
    void cmdBrowse_Click();
    void VisitWebSite();
    void MenuAbout();
    // Adds dropped files (Windows-form paths, in drop order); onDoor for a drop on picDoor.
    void DropFiles(const std::vector<std::string>& paths, bool onDoor);
    // Files handed to the program on its command line (Windows form): taken as a drop on the
    // getting-started panel takes them; paths that do not exist and folders are left out.
    void OpenFiles(const std::vector<std::string>& paths);
    bool IsBuilding() const { return building_; }

    // How long each pdftk run of a build may take (tests shorten it).
    PdftkTime pdftkTime;
    // The limits of each page's text recognition (tests shorten them).
    ocr::RecognitionLimits recognitionLimits;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolbar(QWidget* client);
    void BuildList(QWidget* client);
    void BuildInformation(QWidget* client);
    void BuildQuality(QWidget* client);
    void BuildProgress(QWidget* client);
    void StartUp();
    void ReadSettings();
    void SetTabOrder();
    void BuildRecognition(QWidget* client);
    void StartRecognizerCheck();
    void RecognizerChecked(const ocr::RecognitionResult& check);

    void AddFile();
    void AddFolder();
    void RemoveSelected();
    void ClearList();
    void MoveSelected(int step);
    void SelectionChanged();
    void SliderChanged(int value);
    void FocusSweep();

    // The build, stage by stage.
    std::unique_ptr<platform::FileLock> LockWorkingFolders();
    void PrepareBuild();
    int WritePageFiles(const std::vector<std::string>& images);
    bool WritePageFile(const std::string& image, const AheadImage& ahead, int page);
    MergeRuns MergePageFiles(int pages);
    void RemoveWorkingFiles(int pages);
    void EnableCommands(bool enabled);
    void ReportBuild(const platform::Outcome& delivery);

    DOSOutputs runner_;
    std::unique_ptr<platform::Library> skin_;
    common::CCommonDialogs dialogs_;
    decoding::GuardedDecoder decoder_;
    std::string recognizerProgram_;  // the host path of imocr
    // The user's choice, kept while the box is disabled for want of the recognizer.
    bool recognizeWanted_ = false;
    PdfLibrary pdf_;
    bool building_ = false;
    bool unloading_ = false;
    std::vector<std::string> skipped_;   // "file: reason" of each image the build left out
    std::vector<std::string> textless_;  // "file: reason" of each page left without its text
    // Asks the recognizer whether it can read; last, so that it ends before the rest goes.
    std::jthread recognizerCheck_;
};

// The product's web address: imbinder's part of the user guide beside the program.
std::string ProductWebAddress();

}  // namespace imbinder

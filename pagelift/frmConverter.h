// The main window of pagelift: the job list, the output format and options, the output folder,
// the toolbar and menus, and the conversion run with its progress display.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/CommonDialogs.h"
#include "pagelift/Conversion.h"
#include "pagelift/PageEngine.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace platform {
class CommandChannel;
class Library;
}  // namespace platform

namespace pagelift {

class frmConverter : public QMainWindow {
  public:
    // The engine is the one the run converts with; commands, when given, feed the hidden
    // command box.
    explicit frmConverter(std::unique_ptr<PageEngine> engine,
                          platform::CommandChannel* commands = nullptr);
    ~frmConverter() override;

    // Ends the program once the window has been unloaded (the program sets it; by default the
    // window only closes).
    std::function<void()> endProgram;

    // Controls, in the order of the window's layout.
    std::array<QToolButton*, 7> CmdToolsBar{};
    QTreeWidget* LV = nullptr;
    QWidget* picText = nullptr;
    QLabel* lblText = nullptr;
    QWidget* picDoor = nullptr;
    std::array<QToolButton*, 5> ImgFormat{};
    QLabel* Label1 = nullptr;
    QComboBox* cmbOF = nullptr;
    QLabel* Label2 = nullptr;
    QTreeWidget* LV2 = nullptr;
    QLineEdit* txtValue = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdConvert = nullptr;
    QProgressBar* pb = nullptr;
    QLabel* imgPB = nullptr;
    QLabel* lblPB = nullptr;
    QLabel* lblButton = nullptr;
    QLabel* lblWeb = nullptr;
    QListWidget* lstFile = nullptr;
    QListWidget* lstAddFolder = nullptr;
    QLineEdit* txtAction = nullptr;
    QTimer* Timer1 = nullptr;
    // The off-screen image controls whose enabled state the run keeps.
    QWidget* imgConvert = nullptr;
    QWidget* imgAdd = nullptr;
    QWidget* imgRemove = nullptr;
    QWidget* imgStart = nullptr;
    QWidget* imgBrowse = nullptr;
    std::array<QWidget*, 7> imgToolbar{};

    // Commands.
    void CmdToolsBar_Click(int index);
    void ImgFormat_Click(int index);
    void cmdBrowse_Click();
    void cmdConvert_Click();
    void lblWeb_Click();
    void imgStart_Click();
    void AddFile();
    void AddFolder();
    void RemoveSelected();
    void RemoveSelectedHidden();
    void ClearList();
    void VisitWebSite();
    void MenuAbout();
    void CommandBoxAbout();
    void Exit();
    // Adds dropped files (Windows-form paths, in drop order); onDoor for a drop on picDoor.
    void DropFiles(const std::vector<std::string>& paths, bool onDoor);
    // Files and folders handed to the program (its command line, or a later start of it), in
    // Windows form: each PDF in turn, a folder's PDFs as the folder command finds them; other
    // files and paths that do not exist are left out. The list shows, as after a drop on the
    // welcome panel.
    void OpenFiles(const std::vector<std::string>& paths);

    // The conversion run and the engine's progress callback.
    void RunConversion();
    int32_t ExportProgress(int32_t first, int32_t last, int32_t done);
    static void KillProcessByName(const std::string& name);

    // Options.
    void OpenValueEditor();
    double imgPBWidthTwips() const { return imgPBWidthTwips_; }
    bool IsRunning() const { return running_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Job {
        std::string path;
        int id = 0;
    };

    void BuildMenus();
    void BuildToolbar(QWidget* client);
    void BuildJobList(QWidget* client);
    void BuildOptions(QWidget* client);
    void BuildProgress(QWidget* client);
    void StartUp();
    void SetTabOrder();
    void AddFolderPdfs(const std::string& folder);
    // After files were taken: the list shows, and the welcome panel goes when they came onto it.
    void ShowTakenFiles(bool onDoor);
    void ReadSettings();
    void WriteSettings();

    void AppendJob(const std::string& path, const std::string& format);
    std::optional<Job> FirstJob() const;
    void RemoveJobAt(int index);
    void RemoveJob(int id);
    void ToolbarTail();
    void FocusSweep(int lastButton);
    void ShowHint(const QString& text, bool visible);

    void FormatChanged();
    void ValueEdited(const QString& text);
    void CommandBoxChanged(const QString& text);
    void Timer1_Timer();

    void ConvertDocument(const Job& job, const std::string& outputRoot, DocumentFolders& folders);
    void ExportDocument(const Job& job, const OutputFormat& format, const std::string& outputRoot,
                        DocumentFolders& folders);
    void Fail(const Job& job, const std::string& reason);
    void SetFill(double twips);
    void EnableWindow(bool enabled);
    void ReportFailures();
    std::string OptionValue(int row) const;

    std::unique_ptr<PageEngine> engine_;
    std::unique_ptr<platform::Library> skin_;
    common::CCommonDialogs dialogs_;
    double imgPBWidthTwips_ = 0;
    int nextJobId_ = 1;
    bool running_ = false;
    bool unloading_ = false;
    bool exiting_ = false;
    std::vector<std::string> failures_;
};

// The product's web address: the program's own user guide.
std::string ProductWebAddress();

}  // namespace pagelift

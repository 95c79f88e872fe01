// The conversion run of the main window: the start request, the run over the job list, the
// engine's progress callback and the end of the auxiliary progress program.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "common/GetFile.h"
#include "common/Module1.h"
#include "common/WorkingFolders.h"
#include "pagelift/Settings.h"
#include "pagelift/Shared.h"
#include "pagelift/Texts.h"
#include "pagelift/frmConverter.h"
#include "pagelift/frmEncrypt.h"
#include "platform/Platform.h"
#include "platform/qt/QtText.h"

namespace pagelift {

using namespace platform::window_helpers;
namespace {

constexpr const char* kAuxiliaryProgram = "pro.exe";

// The engine's callback carries no context: it goes to the window whose run is exporting.
frmConverter* gExportingWindow = nullptr;

int32_t QUIREL_CALL ExportProgressThunk(int32_t first, int32_t last, int32_t done) {
    return gExportingWindow != nullptr ? gExportingWindow->ExportProgress(first, last, done) : 1;
}

// pro.exe is not shipped with the program. Only one in the program folder is ours to start and
// end: without it, a program of that name elsewhere belongs to somebody else.
std::string AuxiliaryProgram() {
    std::string path = platform::ProgramFolder() + "\\" + kAuxiliaryProgram;
    return platform::PathExists(path) ? path : "";
}

void EndAuxiliaryProgram() {
    if (!AuxiliaryProgram().empty()) frmConverter::KillProcessByName(kAuxiliaryProgram);
}

}  // namespace

void frmConverter::imgStart_Click() {
    if (running_ || Timer1->isActive()) return;  // one run at a time, from every start path
    if (lstFile->count() == 0) {
        platform::GetDesktop().ShowMessage(texts::kAddPdfFirst, texts::kAddTitle,
                                           platform::MessageIcon::Exclamation);
        return;
    }
    imgConvert->setEnabled(false);
    Timer1->start();
}

void frmConverter::Timer1_Timer() {
    Timer1->stop();
    platform::Yield();
    RunConversion();
}

void frmConverter::RunConversion() {
    if (running_) return;
    if (const std::optional<UnloadableLibrary> engine = engine_->UnloadableMainLibrary()) {
        platform::GetDesktop().ShowMessage(
            texts::EngineNotLoaded(engine->fileName, engine->present, engine->reason),
            texts::kRunTitle, platform::MessageIcon::Critical);
        EnableWindow(true);
        return;
    }
    running_ = true;
    failures_.clear();
    std::string outputRoot = OutputRoot(S(txtPath->text()));
    platform::CreateFolder(S(txtPath->text()));
    platform::CreateFolder(common::kTmpFolder);
    cmdConvert->setEnabled(false);
    for (QToolButton* button : CmdToolsBar) button->setEnabled(false);

    DocumentFolders folders;
    while (std::optional<Job> job = FirstJob()) ConvertDocument(*job, outputRoot, folders);

    if (platform::PathExists("c:\\pagelifttmp")) common::DeleteFolderTree("c:\\pagelifttmp");
    platform::GetDesktop().ShellOpen(S(txtPath->text()));
    if (SoundOff == 0)
        platform::GetDesktop().PlaySoundFile(platform::ProgramFolder() + "\\sound.wav");
    EnableWindow(true);
    lblPB->setText(Q(texts::kConversionDone));
    EndAuxiliaryProgram();
    platform::Yield();
    cmdConvert->setEnabled(true);
    for (QToolButton* button : CmdToolsBar) button->setEnabled(true);
    running_ = false;
    ReportFailures();
}

void frmConverter::ConvertDocument(const Job& job, const std::string& outputRoot,
                                   DocumentFolders& folders) {
    PdfPassword.clear();
    EndAuxiliaryProgram();
    platform::Yield();
    PasswordWrong = false;

    int32_t handle = engine_->OpenPDF(job.path, "").value_or(QUIREL_OPEN_FAILED);
    if (!NeedsPassword(handle)) engine_->ClosePDF(handle);
    lblPB->setText(Q(texts::kPreparingFile));
    platform::Yield();
    if (NeedsPassword(handle)) {
        const PasswordOpen opened = OpenWithPassword(
            [this](bool wrongBefore) {
                PasswordWrong = wrongBefore;
                AskForPassword(this);
                return PdfPassword;
            },
            [&](const std::string& password) {
                return engine_->OpenPDF(job.path, password).value_or(QUIREL_OPEN_FAILED);
            });
        if (opened.end != PasswordEnd::Opened) {
            if (opened.end == PasswordEnd::Failed) Fail(job, OpenFailureText(opened.handle));
            RemoveJob(job.id);
            return;
        }
        engine_->ClosePDF(opened.handle);
    } else if (handle == QUIREL_OPEN_FAILED) {
        Fail(job, OpenFailureText(handle));
        RemoveJob(job.id);
        return;
    }

    if (const OutputFormat* format = FormatAt(cmbOF->currentIndex())) {
        ExportDocument(job, *format, outputRoot, folders);
    } else {
        Fail(job, texts::kNoOutputFormat);
    }
    platform::Yield();
    RemoveJob(job.id);
    platform::Yield();
}

void frmConverter::ExportDocument(const Job& job, const OutputFormat& format,
                                  const std::string& outputRoot, DocumentFolders& folders) {
    int32_t handle = engine_->OpenPDF(job.path, PdfPassword).value_or(0);
    int32_t pageCount = engine_->GetPageNum(handle).value_or(0);
    PageRange range =
        ComputePageRange(OptionValue(kStartPageRow), OptionValue(kEndPageRow), pageCount);
    std::string folderName =
        folders.NameFor(outputRoot, job.path, common::GetFileBaseName(job.path));
    std::string documentFolder = outputRoot + folderName + "\\";
    platform::CreateFolder(outputRoot + folderName);

    std::optional<int32_t> resolution = ExportResolution(OptionValue(kResolutionRow));
    if (!resolution) {
        Fail(job, texts::kResolutionNotANumber);
    } else {
        gExportingWindow = this;
        std::optional<int32_t> result =
            format.tiff ? engine_->ExportTIF(handle, documentFolder, "", *resolution, *resolution,
                                             range.first, range.last, ExportProgressThunk, 1, 0)
                        : engine_->ExportIMG(handle, documentFolder, "", format.engineCode,
                                             *resolution, format.bitsPerPixel, range.first,
                                             range.last, ExportProgressThunk);
        gExportingWindow = nullptr;
        if (!result) {
            Fail(job, format.tiff ? texts::kEngineLacksTiff : texts::kEngineLacksImages);
        } else if (std::optional<std::string> shortfall =
                       ExportShortfall(*result, engine_->LastExport())) {
            Fail(job, *shortfall);
        }
    }
    engine_->ClosePDF(handle);
}

void frmConverter::Fail(const Job& job, const std::string& reason) {
    failures_.push_back(common::OneLinePath(job.path) + ": " + reason);
}

void frmConverter::ReportFailures() {
    if (failures_.empty()) return;
    std::string text = texts::kDocumentsNotConverted;
    for (const std::string& failure : failures_) text += "\n" + failure;
    failures_.clear();
    platform::GetDesktop().ShowMessage(text, texts::kRunTitle, platform::MessageIcon::Critical);
}

void frmConverter::EnableWindow(bool enabled) {
    for (QWidget* image : {imgAdd, imgRemove, imgStart, imgBrowse, imgConvert}) {
        image->setEnabled(enabled);
    }
    for (QWidget* image : imgToolbar) image->setEnabled(enabled);
    SetFill(0);
}

void frmConverter::SetFill(double twips) {
    imgPBWidthTwips_ = twips;
    // The skinned fill covers the whole bar at 100 %.
    imgPB->resize(int(twips / kFullFillTwips * (pb->width() - 2) + 0.5), pb->height() - 2);
}

int32_t frmConverter::ExportProgress(int32_t first, int32_t last, int32_t done) {
    ProgressDisplay display = ComputeProgress(first, last, done);
    QString label =
        display.complete ? QString("Exporting File...") : QString::number(display.percent) + "%";
    if (lblPB->text() != label) {
        lblPB->setText(label);
        SetFill(display.fillTwips);
        pb->setValue(display.percent);
        if (display.complete) {
            std::string program = AuxiliaryProgram();
            if (!program.empty()) platform::GetDesktop().StartDetached(program);
        }
    }
    platform::Yield();
    platform::Yield();
    return 1;
}

void frmConverter::KillProcessByName(const std::string& name) {
    for (int64_t id : platform::FindProcesses(name)) platform::EndProcess(id);
}

}  // namespace pagelift

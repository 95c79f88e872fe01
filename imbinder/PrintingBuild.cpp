// The build of frmPrinting (the click of Command3): the page file of every image, the merge
// chain and the information run through pdftk, and the delivery of the result.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "DecodeAhead.h"
#include "Delivery.h"
#include "InfoFile.h"
#include "PageFile.h"
#include "PdftkMerge.h"
#include "Printing.h"
#include "Texts.h"
#include "common/GetFile.h"
#include "common/Module1.h"
#include "common/QuotedLineFile.h"
#include "common/WorkingFolders.h"
#include "frmPrinting.h"
#include "platform/Platform.h"
#include "platform/qt/QtText.h"

namespace imbinder {

using namespace platform::window_helpers;

namespace {

void SetLabel(QLabel* label, const char* text, int percent = -1) {
    QString caption = QString::fromUtf8(text);
    if (percent >= 0) caption += QString::number(percent) + "%";
    label->setText(caption);
}

}  // namespace

void frmPrinting::Command3_Click() {
    if (building_) return;
    if (List1->count() == 0) {
        platform::GetDesktop().ShowMessage(texts::kAddFileFirst, texts::kAddFileTitle,
                                           platform::MessageIcon::Exclamation);
        FocusSweep();
        return;
    }
    const std::unique_ptr<platform::FileLock> folders = LockWorkingFolders();
    if (!folders) {
        FocusSweep();
        return;
    }
    building_ = true;
    EnableCommands(false);
    PrepareBuild();

    std::vector<std::string> images;
    for (int i = 0; i < List1->count(); ++i) images.push_back(S(List1->item(i)->text()));
    const int pages = WritePageFiles(images);

    const MergeRuns merge = MergePageFiles(pages);
    QString folder = txtPath->text();
    if (folder.endsWith('\\')) {
        folder.chop(1);
        txtPath->setText(folder);
    }
    const platform::Outcome delivery =
        DeliverResult({S(folder), S(txtTitle->text()), pages, merge, runner_.FailedStarts()});

    pb->setValue(0);
    SetLabel(lblPB, texts::kRemovingWorkingFiles);
    RemoveWorkingFiles(pages);
    ReportBuild(delivery);
    building_ = false;
}

// The lock of the working folders, taken without waiting; nothing, after saying why, when
// another build holds it or it cannot be made.
std::unique_ptr<platform::FileLock> frmPrinting::LockWorkingFolders() {
    platform::LockAttempt folders = platform::TryLockFile(common::kWorkingFoldersLock);
    if (folders.claim == platform::LockClaim::HeldElsewhere) {
        platform::GetDesktop().ShowMessage(texts::kBuildRunningElsewhere, "Imbinder",
                                           platform::MessageIcon::Exclamation);
    } else if (folders.claim == platform::LockClaim::Failed) {
        platform::GetDesktop().ShowMessage(
            texts::kWorkingFoldersUnlockable + std::string(common::kWorkingFoldersLock), "Imbinder",
            platform::MessageIcon::Critical);
    }
    return std::move(folders.lock);
}

void frmPrinting::PrepareBuild() {
    skipped_.clear();
    textless_.clear();
    runner_.ResetFailedStarts();
    platform::CreateFolder(S(txtPath->text()));
    platform::CreateFolder(common::kTmpFolder);
    platform::CreateFolder(common::kJpgTmpFolder);
    platform::DeleteFile("c:\\jpgtmp\\jpgtmp.pdf");
    common::WriteQuotedLineFile(
        platform::SettingsFileToWrite(kProgram, "setting.dll"),
        SettingsValues(S(txtTitle->text()), S(txtCreateFor->text()), S(txtSubject->text()),
                       S(txtKeywords->text()), Slider1->value(), recognizeWanted_));
    WriteInfoFile(kInfoFilePath,
                  {S(txtTitle->text()), S(txtCreateFor->text()), S(txtCreationDate->text()),
                   S(txtSubject->text()), S(txtKeywords->text())});
    SetLabel(lblPB, texts::kPreparing);
    pb->setRange(0, 100);
}

// Page files are numbered by the pages written, so an image left out leaves no gap in the
// chain. Returns the number of pages.
int frmPrinting::WritePageFiles(const std::vector<std::string>& images) {
    const int n = static_cast<int>(images.size());
    int pages = 0;
    const bool recognize = chkRecognize->isEnabled() && chkRecognize->isChecked();
    const ocr::GuardedRecognizer recognizer(recognizerProgram_, recognitionLimits);
    DecodeAhead decodes(decoder_, images, recognize ? &recognizer : nullptr);
    for (int i = 0; i < n; ++i) {
        if (recognize) SetLabel(lblPB, texts::Recognizing(i + 1, n).c_str());
        const AheadImage image = decodes.Next(platform::Yield);
        platform::Yield();
        if (WritePageFile(images[i], image, pages)) ++pages;
        if (n > 1) {
            const int percent = ProgressPercent(i, n);
            pb->setValue(percent);
            SetLabel(lblPB, texts::kPreparing, percent);
        }
        platform::Yield();
    }
    return pages;
}

// The chain of the page files, then the information run, each step shown on the bar.
MergeRuns frmPrinting::MergePageFiles(int pages) {
    pb->setValue(100);
    SetLabel(lblPB, texts::kStartingMerge);
    if (pages == 0) return {};
    const MergeRuns chain = ChainPageFiles(runner_, pages, pdftkTime, [this](int percent) {
        pb->setValue(percent);
        SetLabel(lblPB, texts::kBuilding, percent);
        platform::Yield();
    });
    return chain.timedOut ? chain : ApplyDocumentInfo(runner_, pages, pdftkTime);
}

bool frmPrinting::WritePageFile(const std::string& image, const AheadImage& ahead, int page) {
    const decoding::DecodeResult& decoded = ahead.decoded;
    if (!decoded.error.empty()) {
        skipped_.push_back(common::OneLinePath(image) + ": " + decoded.error);
        return false;
    }
    PicLoad->resize(static_cast<int>(decoded.width), static_cast<int>(decoded.height));
    platform::Yield();

    const std::string pageFile = PageFilePath(page);
    const std::string layerRefused =
        WritePdfPage(pdf_, reinterpret_cast<intptr_t>(this),
                     {pageFile, kBitmapPath, PageSizeOf(PicLoad->width(), PicLoad->height()),
                      Slider1->value(), ahead.recognition});
    if (!platform::PathExists(pageFile)) {
        skipped_.push_back(common::OneLinePath(image) + ": " + texts::kPageNotWritten);
        return false;
    }
    const std::string noText =
        ahead.recognitionError.empty() ? layerRefused : ahead.recognitionError;
    if (!noText.empty()) textless_.push_back(common::OneLinePath(image) + ": " + noText);
    return true;
}

// Only the build's own files go; "c:\tmp" stays when another program keeps files in it.
void frmPrinting::RemoveWorkingFiles(int pages) {
    platform::DeleteFile(kInfoFilePath);
    platform::DeleteFile(kBitmapPath);
    for (int slot = 0; slot < kDecodesAhead; ++slot) {
        platform::DeleteFile(DecodedBitmapPath(slot));
        platform::DeleteFile(RecognitionFilePath(slot));
    }
    for (int k = 1; k <= pages; ++k) platform::DeleteFile(ChainFilePath(k));
    platform::DeleteFile(kMergedFilePath);
    platform::RemoveFolder(common::kTmpFolder);
    common::DeleteFolderTree(common::kJpgTmpFolder);
}

void frmPrinting::ReportBuild(const platform::Outcome& delivery) {
    std::string skippedList;
    for (const std::string& skipped : skipped_) skippedList += "\n" + skipped;
    Command3->setEnabled(true);
    if (delivery.error.empty()) {
        SetLabel(lblPB, "Done.");
        std::string notes;
        if (!skipped_.empty()) notes = texts::kImagesLeftOut + skippedList;
        if (!textless_.empty()) {
            if (!notes.empty()) notes += "\n";
            notes += texts::kPagesWithoutText;
            for (const std::string& page : textless_) notes += "\n" + page;
        }
        if (!notes.empty()) {
            platform::GetDesktop().ShowMessage(notes, "Imbinder",
                                               platform::MessageIcon::Exclamation);
        }
        platform::GetDesktop().ShellOpen(S(txtPath->text()));
        platform::GetDesktop().Beep();
    } else {
        SetLabel(lblPB, texts::kBuildFailed);
        std::string text = texts::kDocumentNotMade + delivery.error;
        if (!skipped_.empty()) text += "\n" + (texts::kImagesLeftOut + skippedList);
        platform::GetDesktop().ShowMessage(text, "Imbinder", platform::MessageIcon::Critical);
    }
    skipped_.clear();
    textless_.clear();
    for (QToolButton* button : CmdToolsBar) {
        button->setEnabled(true);
        button->setFocus();
    }
}

void frmPrinting::EnableCommands(bool enabled) {
    Command3->setEnabled(enabled);
    for (QToolButton* button : CmdToolsBar) button->setEnabled(enabled);
}

}  // namespace imbinder

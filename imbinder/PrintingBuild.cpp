// The build of frmPrinting (the click of Command3): the page file of every image, the merge
// chain and the information run through pdftk, and the delivery of the result.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <deque>

#include "InfoFile.h"
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

using platform::Q;
using platform::S;

namespace {

constexpr const char* kMergeFolder = "c:\\tmp";
constexpr const char* kPageFolder = "c:\\jpgtmp";
constexpr const char* kBitmapPath = "c:\\tmp\\tmp.bmp";
constexpr int kDecodesAhead = 2;

// Where the helper leaves the bitmap of image i until its page is written.
std::string DecodedBitmapPath(int i) {
    return "c:\\tmp\\tmpnext" + std::to_string(i % kDecodesAhead) + ".bmp";
}
constexpr const char* kPreparing = "准备文件...";
constexpr const char* kBuilding = "创建中...";

// The page writer's properties, by the ids it documents.
enum PdfProperty {
    kDocumentFile = PdfLibrary::kDocumentFileProperty,
    kProducer = 14,
    kUnits = 31,
    kPageHeight = 34,
    kPageWidth = 36,
    kOpening = 44,
    kJpegQuality = 45,
    kCompression = 51,
    kImageCompression = 52,
};

void SetLabel(QLabel* label, const char* text, int percent = -1) {
    QString caption = QString::fromUtf8(text);
    if (percent >= 0) caption += QString::number(percent) + "%";
    label->setText(caption);
}

}  // namespace

void frmPrinting::Command3_Click() {
    if (building_) return;
    if (List1->count() == 0) {
        platform::GetDesktop().ShowMessage("请先添加一个文件", "Add File",
                                           platform::MessageIcon::Exclamation);
        FocusSweep();
        return;
    }
    const platform::LockAttempt folders = platform::TryLockFile(common::kWorkingFoldersLock);
    if (folders.claim != platform::LockClaim::Taken) {
        if (folders.claim == platform::LockClaim::HeldElsewhere) {
            platform::GetDesktop().ShowMessage(texts::kBuildRunningElsewhere, "Imbinder",
                                               platform::MessageIcon::Exclamation);
        } else {
            platform::GetDesktop().ShowMessage(
                texts::kWorkingFoldersUnlockable + std::string(common::kWorkingFoldersLock),
                "Imbinder", platform::MessageIcon::Critical);
        }
        FocusSweep();
        return;
    }
    building_ = true;
    EnableCommands(false);
    PrepareBuild();

    std::vector<std::string> images;
    for (int i = 0; i < List1->count(); ++i) images.push_back(S(List1->item(i)->text()));
    const int pages = WritePageFiles(images);

    pb->setValue(100);
    SetLabel(lblPB, "开始创建...");
    MergeRuns merge;
    if (pages > 0) {
        merge = ChainPageFiles(runner_, pages, pdftkTime, [this](int percent) {
            pb->setValue(percent);
            SetLabel(lblPB, kBuilding, percent);
            platform::Yield();
        });
        if (!merge.timedOut) merge = ApplyDocumentInfo(runner_, pages, pdftkTime);
    }
    std::string failure;
    const bool delivered = DeliverResult(pages, merge, failure);

    pb->setValue(0);
    SetLabel(lblPB, "删除临时文件...");
    RemoveWorkingFiles(pages);
    ReportBuild(delivered, failure);
    building_ = false;
}

void frmPrinting::PrepareBuild() {
    skipped_.clear();
    runner_.ResetFailedStarts();
    platform::CreateFolder(S(txtPath->text()));
    platform::CreateFolder(kMergeFolder);
    platform::CreateFolder(kPageFolder);
    platform::DeleteFile("c:\\jpgtmp\\jpgtmp.pdf");
    common::WriteQuotedLineFile(
        platform::SettingsFileToWrite(kProgram, "setting.dll"),
        SettingsValues(S(txtTitle->text()), S(txtCreateFor->text()), S(txtSubject->text()),
                       S(txtKeywords->text()), Slider1->value()));
    WriteInfoFile(kInfoFilePath,
                  {S(txtTitle->text()), S(txtCreateFor->text()), S(txtCreationDate->text()),
                   S(txtSubject->text()), S(txtKeywords->text())});
    SetLabel(lblPB, kPreparing);
    pb->setRange(0, 100);
}

// Page files are numbered by the pages written, so an image left out leaves no gap in the
// chain. The helper decodes the next images, two at a time, while the page of this one is
// written, so that both processors work; the pages still come in the list's order. Returns the
// number of pages.
int frmPrinting::WritePageFiles(const std::vector<std::string>& images) {
    const int n = static_cast<int>(images.size());
    int pages = 0;
    std::deque<std::unique_ptr<decoding::PendingDecode>> ahead;
    int started = 0;
    for (int i = 0; i < n; ++i) {
        while (started < n && started < i + kDecodesAhead) {
            ahead.push_back(StartDecode(images[started], DecodedBitmapPath(started)));
            ++started;
        }
        decoding::DecodeResult decoded = ahead.front()->Finish(platform::Yield);
        ahead.pop_front();
        // The bitmap of the image before is never drawn for this one.
        platform::DeleteFile(kBitmapPath);
        if (decoded.error.empty() && !platform::MoveFile(DecodedBitmapPath(i), kBitmapPath))
            decoded.error = texts::kBitmapNotPlaced + std::string(kBitmapPath);
        platform::Yield();
        if (WritePageFile(images[i], decoded, pages)) ++pages;
        if (n > 1) {
            const int percent = ProgressPercent(i, n);
            pb->setValue(percent);
            SetLabel(lblPB, kPreparing, percent);
        }
        platform::Yield();
    }
    return pages;
}

std::unique_ptr<decoding::PendingDecode> frmPrinting::StartDecode(
    const std::string& image, const std::string& bitmapPath) const {
    // Outside the format table the format is found from the content, then from the name.
    const int format = ImageFormatCode(image).value_or(decoding::kDetectFormat);
    platform::DeleteFile(bitmapPath);
    return decoder_.StartDecodeToBmp(platform::ToHostPath(image), format,
                                     platform::ToHostPath(bitmapPath));
}

bool frmPrinting::WritePageFile(const std::string& image, const decoding::DecodeResult& decoded,
                                int page) {
    if (!decoded.error.empty()) {
        skipped_.push_back(common::OneLinePath(image) + ": " + decoded.error);
        return false;
    }
    PicLoad->resize(static_cast<int>(decoded.width), static_cast<int>(decoded.height));
    platform::Yield();

    const std::string pageFile = PageFilePath(page);
    const std::optional<int32_t> created = pdf_.CreateBox(reinterpret_cast<intptr_t>(this), 0);
    if (created) {
        const int32_t box = *created;
        SetNumPropChecked(pdf_, box, kOpening, 1);
        SetStrPropChecked(pdf_, box, kDocumentFile, pageFile);
        SetNumPropChecked(pdf_, box, kOpening, 0);
        SetStrPropChecked(pdf_, box, kProducer, kProductName);
        const PageSize size = PageSizeOf(PicLoad->width(), PicLoad->height());
        SetNumPropChecked(pdf_, box, kPageWidth, size.width);
        SetNumPropChecked(pdf_, box, kPageHeight, size.height);
        SetNumPropChecked(pdf_, box, kUnits, 2);
        SetNumPropChecked(pdf_, box, kJpegQuality, Slider1->value());
        SetNumPropChecked(pdf_, box, kCompression, 2);
        SetNumPropChecked(pdf_, box, kImageCompression, 2);
        CheckPdfResult(pdf_, pdf_.BeginDoc(box));
        CheckPdfResult(pdf_,
                       pdf_.StretchDrawFromFile(box, 0, 0, size.width, size.height, kBitmapPath));
        CheckPdfResult(pdf_, pdf_.EndDoc(box));
        pdf_.FreeBox(box);
    }
    if (!platform::PathExists(pageFile)) {
        skipped_.push_back(common::OneLinePath(image) + ": " + texts::kPageNotWritten);
        return false;
    }
    return true;
}

bool frmPrinting::DeliverResult(int pages, const MergeRuns& merge, std::string& failure) {
    QString folder = txtPath->text();
    if (folder.endsWith('\\')) {
        folder.chop(1);
        txtPath->setText(folder);
    }
    const std::string result = S(folder) + "\\" + ResultFileName(S(txtTitle->text())) + ".pdf";
    if (pages == 0) {
        failure = texts::kNoReadableImage;
    } else if (merge.timedOut) {
        failure =
            texts::PdftkTimedOut(std::chrono::ceil<std::chrono::seconds>(merge.limit).count());
    } else if (!platform::PathExists(kMergedFilePath)) {
        failure =
            runner_.FailedStarts() > 0 ? texts::kPdftkNotStarted : texts::kPdftkMadeNoDocument;
    } else if (!platform::CopyFile(kMergedFilePath, result, false)) {
        failure = texts::kCannotWrite + result;
    }
    return failure.empty();
}

// Only the build's own files go; "c:\tmp" stays when another program keeps files in it.
void frmPrinting::RemoveWorkingFiles(int pages) {
    platform::DeleteFile(kInfoFilePath);
    platform::DeleteFile(kBitmapPath);
    for (int slot = 0; slot < kDecodesAhead; ++slot) platform::DeleteFile(DecodedBitmapPath(slot));
    for (int k = 1; k <= pages; ++k) platform::DeleteFile(ChainFilePath(k));
    platform::DeleteFile(kMergedFilePath);
    platform::RemoveFolder(kMergeFolder);
    common::DeleteFolderTree(kPageFolder);
}

void frmPrinting::ReportBuild(bool delivered, const std::string& failure) {
    std::string skippedList;
    for (const std::string& skipped : skipped_) skippedList += "\n" + skipped;
    Command3->setEnabled(true);
    if (delivered) {
        SetLabel(lblPB, "Done.");
        if (!skipped_.empty()) {
            platform::GetDesktop().ShowMessage(texts::kImagesLeftOut + skippedList, "Imbinder",
                                               platform::MessageIcon::Exclamation);
        }
        platform::GetDesktop().ShellOpen(S(txtPath->text()));
        platform::GetDesktop().Beep();
    } else {
        SetLabel(lblPB, texts::kBuildFailed);
        std::string text = texts::kDocumentNotMade + failure;
        if (!skipped_.empty()) text += "\n" + (texts::kImagesLeftOut + skippedList);
        platform::GetDesktop().ShowMessage(text, "Imbinder", platform::MessageIcon::Critical);
    }
    skipped_.clear();
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

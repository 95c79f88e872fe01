#include "ImagePreview.h"

#include <QApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "GuardedDecoder.h"
#include "ShowImage.h"
#include "Texts.h"
#include "common/GetFile.h"
#include "platform/Platform.h"
#include "platform/qt/QtText.h"

namespace imbinder {
namespace {

constexpr int kStartWidth = 640;
constexpr int kStartHeight = 480;

using platform::Q;

// The guarded decoder's 24-bit copy of a picture file, for one the platform loader cannot read.
struct DecodedCopy {
    std::unique_ptr<platform::ScratchFile> bmp;
    std::string error;  // why there is none
};

DecodedCopy DecodeCopy(const std::string& hostPath) {
    DecodedCopy copy;
    copy.bmp = platform::ScratchFile::Create(".bmp");
    if (!copy.bmp) {
        copy.error = decoding::phrase::kNoRoomForCopy;
        return copy;
    }
    const decoding::GuardedDecoder decoder(platform::ToHostPath(platform::ProgramFolder()) +
                                           "/imdecode");
    copy.error =
        decoder.DecodeToBmp(hostPath, decoding::kDetectFormat, copy.bmp->path(), platform::Yield)
            .error;
    return copy;
}

// Larger than a picture the platform loader may hold, so not worth decoding for the window.
bool TooLargeToShow(uint64_t width, uint64_t height) {
    const uint64_t limitBytes = uint64_t(QImageReader::allocationLimit()) << 20;
    return limitBytes != 0 && width * height * 4 > limitBytes;
}

frmPreview* PreviewOf(QWidget* owner) {
    if (owner) return owner->findChild<frmPreview*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* preview = qobject_cast<frmPreview*>(widget);
        if (preview && !preview->parent()) return preview;
    }
    return nullptr;
}

}  // namespace

frmPreview::frmPreview(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("frmPreview");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(kStartWidth, kStartHeight);

    ShowImage1 = new ShowImage(this);
    ShowImage1->setObjectName("ShowImage1");
    ShowImage1->setAccessibleName(QString::fromUtf8("图像预览"));
    ShowImage1->setBorderStyle(kBorderNone);

    lblReason = new QLabel(this);
    lblReason->setObjectName("lblReason");
    lblReason->setAlignment(Qt::AlignCenter);
    lblReason->setWordWrap(true);
    lblReason->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblReason->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ShowImage1);
    layout->addWidget(lblReason);
}

void frmPreview::Present(const std::string& windowsPath) {
    const unsigned request = ++latestRequest_;
    const std::string name = common::GetFileName(windowsPath);
    const std::string hostPath = platform::ToHostPath(windowsPath);

    const decoding::ImageProbe probe = decoding::ProbeImage(hostPath, decoding::kDetectFormat,
                                                            decoding::HeaderReading::HardenedOnly);
    if (!probe.error.empty()) return ShowReason(name, probe.error);
    if (probe.sized && TooLargeToShow(probe.width, probe.height))
        return ShowReason(name, texts::kTooLargeToPreview);
    if (ShowImage1->loadimg(windowsPath).error.empty()) return ShowPicture(name);

    ShowWaiting(name);
    const QPointer<frmPreview> self(this);
    const DecodedCopy copy = DecodeCopy(hostPath);
    if (!self || request != latestRequest_) return;
    if (!copy.error.empty()) return ShowReason(name, copy.error);
    const platform::Outcome loaded = ShowImage1->loadimg(platform::ToWindowsPath(copy.bmp->path()));
    if (!loaded.error.empty()) return ShowReason(name, loaded.error);
    ShowPicture(name);
}

void frmPreview::ShowWaiting(const std::string& name) {
    setWindowTitle(Q(name));
    ShowImage1->hide();
    lblReason->setText(QString::fromUtf8(texts::kReadingPicture));
    lblReason->show();
}

void frmPreview::ShowPicture(const std::string& name) {
    const QImage& picture = ShowImage1->temp;
    setWindowTitle(Q(name) + QString(" (%1 × %2)").arg(picture.width()).arg(picture.height()));
    lblReason->hide();
    ShowImage1->show();
}

void frmPreview::ShowReason(const std::string& name, const std::string& reason) {
    setWindowTitle(Q(name) + QString::fromUtf8(texts::kNoPreviewTitle));
    ShowImage1->setPicture(QImage());
    ShowImage1->hide();
    lblReason->setText(QString::fromUtf8(texts::kNoPreview) + "\n" + Q(reason));
    lblReason->show();
}

void frmPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

frmPreview* ShowImagePreview(QWidget* owner, const std::string& windowsPath) {
    frmPreview* window = PreviewOf(owner);
    if (!window) window = new frmPreview(owner);
    window->show();
    window->raise();
    window->activateWindow();
    window->Present(windowsPath);
    return window;
}

}  // namespace imbinder

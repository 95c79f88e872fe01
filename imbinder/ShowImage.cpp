#include "ShowImage.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Texts.h"
#include "common/DecodeFaults.h"
#include "common/Numbers.h"
#include "platform/Platform.h"

namespace imbinder {
namespace {

constexpr int kTwipsPerPixel = 15;
// Every size is a 16-bit count of twips, so the control grows no larger than that.
constexpr int kLargestSidePixels = INT16_MAX / kTwipsPerPixel;
// A picture file is read whole before it is decoded; a larger one is not a picture to preview.
constexpr uintmax_t kLargestPictureFile = uintmax_t{256} << 20;

constexpr uint32_t kSystemColour = 0x80000000;

struct SystemColourRow {
    uint32_t index;
    QPalette::ColorRole role;
};

constexpr SystemColourRow kSystemColours[] = {
    {0x05, QPalette::Base},
    {0x08, QPalette::Text},
    {0x0C, QPalette::Window},
    {0x0D, QPalette::Highlight},
    {0x0E, QPalette::HighlightedText},
    {0x0F, QPalette::Button},
    {0x10, QPalette::Dark},
    {0x12, QPalette::ButtonText},
    {0x14, QPalette::Light},
    {0x18, QPalette::ToolTipBase},
};

int16_t ToTwips(float value) {
    if (std::isnan(value)) return 0;
    const double rounded = common::RoundHalfEven(value);
    if (rounded > INT16_MAX) return INT16_MAX;
    if (rounded < INT16_MIN) return INT16_MIN;
    return static_cast<int16_t>(rounded);
}

short ButtonsOf(Qt::MouseButtons buttons) {
    return short((buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
                 (buttons & Qt::MiddleButton ? 4 : 0));
}

short ShiftOf(Qt::KeyboardModifiers modifiers) {
    return short((modifiers & Qt::ShiftModifier ? 1 : 0) |
                 (modifiers & Qt::ControlModifier ? 2 : 0) | (modifiers & Qt::AltModifier ? 4 : 0));
}

struct PictureFile {
    QByteArray bytes;
    std::string error;
};

PictureFile ReadPictureFile(const std::string& hostPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(hostPath, error))
        return {{}, decoding::ReasonOf(decoding::DecodeFault::Unreadable)};
    const uintmax_t size = std::filesystem::file_size(hostPath, error);
    if (error) return {{}, texts::kFileUnreadable};
    if (size > kLargestPictureFile) return {{}, texts::kFileTooLargeToShow};
    std::ifstream in(hostPath, std::ios::binary);
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (!in.read(bytes.data(), bytes.size())) return {{}, texts::kFileUnreadable};
    return {std::move(bytes), {}};
}

}  // namespace

DrawnRect FitAndCentre(float pictureWidth, float pictureHeight, float surfaceWidth,
                       float surfaceHeight) {
    const float p = pictureWidth / pictureHeight;
    const float s = surfaceWidth / surfaceHeight;
    const bool fitWidth = p >= 1 ? !(s >= p) : s <= p;
    DrawnRect drawn;
    if (fitWidth) {
        drawn.width = ToTwips(surfaceWidth);
        drawn.height = ToTwips(surfaceWidth / p);
        drawn.top = ToTwips((surfaceHeight - drawn.height) / 2);
    } else {
        drawn.height = ToTwips(surfaceHeight);
        drawn.width = ToTwips(p * surfaceHeight);
        drawn.left = ToTwips((surfaceWidth - drawn.width) / 2);
    }
    return drawn;
}

QColor ColourOf(uint32_t colour) {
    if (colour & kSystemColour) {
        const uint32_t index = colour & 0xFF;
        QPalette::ColorRole role = QPalette::Button;
        for (const SystemColourRow& row : kSystemColours)
            if (row.index == index) role = row.role;
        return QApplication::palette().color(role);
    }
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

// ---------------------------------------------------------------------------------------------

PictureSurface::PictureSurface(QWidget* parent) : QFrame(parent) {
    setObjectName("immagine");
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setMouseTracking(true);
}

void PictureSurface::setBorderStyle(int16_t borderStyle) {
    borderStyle_ = borderStyle;
    setFrameShape(borderStyle == kBorderNone ? QFrame::NoFrame : QFrame::Box);
    update();
}

void PictureSurface::setBackColor(uint32_t backColor) {
    backColor_ = backColor;
    Cls();
}

void PictureSurface::Cls() {
    FitDrawingToSize();
    drawing_.fill(ColourOf(backColor_));
    update();
}

void PictureSurface::PaintPicture(const QImage& picture, const DrawnRect& where) {
    FitDrawingToSize();
    QPainter painter(&drawing_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double scale = 1.0 / kTwipsPerPixel;
    painter.drawImage(
        QRectF(where.left * scale, where.top * scale, where.width * scale, where.height * scale),
        picture);
    update();
}

void PictureSurface::paintEvent(QPaintEvent* event) {
    FitDrawingToSize();
    {
        QPainter painter(this);
        painter.drawImage(0, 0, drawing_);
    }
    QFrame::paintEvent(event);  // the border, over the drawing's edge
}

void PictureSurface::resizeEvent(QResizeEvent* event) {
    FitDrawingToSize();
    QFrame::resizeEvent(event);
}

void PictureSurface::FitDrawingToSize() {
    if (drawing_.size() == size()) return;
    // The drawing so far stays at the top-left corner; new area takes the background.
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(ColourOf(backColor_));
    if (!drawing_.isNull()) QPainter(&resized).drawImage(0, 0, drawing_);
    drawing_ = std::move(resized);
}

// ---------------------------------------------------------------------------------------------

ShowImage::ShowImage(QWidget* parent) : QWidget(parent) {
    setObjectName("ShowImage");
    setMaximumSize(kLargestSidePixels, kLargestSidePixels);
    resize(4800 / kTwipsPerPixel, 3600 / kTwipsPerPixel);
    immagine = new PictureSurface(this);
    immagine->setGeometry(rect());
    immagine->installEventFilter(this);
}

platform::Outcome ShowImage::loadimg(const std::string& nome) {
    PictureFile file = ReadPictureFile(platform::ToHostPath(nome));
    if (!file.error.empty()) return {std::move(file.error)};
    QBuffer buffer(&file.bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage picture = reader.read();
    if (picture.isNull()) return {texts::kNotAPicture};
    temp = std::move(picture);
    showImageInfo();
    return {};
}

void ShowImage::showImageInfo() {
    if (temp.isNull()) return;
    immagine->Cls();
    const DrawnRect where = FitAndCentre(
        float(temp.width() * kTwipsPerPixel), float(temp.height() * kTwipsPerPixel),
        float(immagine->width() * kTwipsPerPixel), float(immagine->height() * kTwipsPerPixel));
    immagine->PaintPicture(temp, where);
}

void ShowImage::Cls() { immagine->Cls(); }

int16_t ShowImage::BorderStyle() const { return immagine->BorderStyle(); }

void ShowImage::setBorderStyle(int16_t New_BorderStyle) {
    immagine->setBorderStyle(New_BorderStyle);
    emit PropertyChanged("BorderStyle");
}

uint32_t ShowImage::BackColor() const { return immagine->BackColor(); }

void ShowImage::setBackColor(uint32_t New_BackColor) {
    immagine->setBackColor(New_BackColor);
    emit PropertyChanged("BackColor");
    showImageInfo();
}

QImage ShowImage::Picture() const { return temp; }

void ShowImage::setPicture(const QImage& New_Picture) {
    temp = New_Picture;
    emit PropertyChanged("Picture");
    showImageInfo();
}

void ShowImage::ReadProperties(const PropertyBag& bag) {
    temp = bag.ReadProperty("Picture", QImage()).value<QImage>();
    immagine->setBorderStyle(int16_t(bag.ReadProperty("BorderStyle", int(kBorderSingle)).toInt()));
    immagine->setBackColor(bag.ReadProperty("BackColor", kButtonFace).toUInt());
}

void ShowImage::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("Picture", temp, QImage());
    bag.WriteProperty("BorderStyle", int(BorderStyle()), int(kBorderSingle));
    bag.WriteProperty("BackColor", BackColor(), kButtonFace);
}

void ShowImage::resizeEvent(QResizeEvent* event) {
    immagine->setGeometry(0, 0, width(), height());
    showImageInfo();
    QWidget::resizeEvent(event);
}

bool ShowImage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                            type == QEvent::MouseButtonRelease ||
                            type == QEvent::MouseButtonDblClick;
    if (watched != immagine || !mouseEvent) return QWidget::eventFilter(watched, event);
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const auto x = [&] { return float(mouse->position().x() * kTwipsPerPixel); };
    const auto y = [&] { return float(mouse->position().y() * kTwipsPerPixel); };
    switch (type) {
        case QEvent::MouseButtonPress:
            clickPending_ = true;
            emit MouseDown(ButtonsOf(mouse->button()), ShiftOf(mouse->modifiers()), x(), y());
            return true;
        case QEvent::MouseMove:
            emit MouseMove(ButtonsOf(mouse->buttons()), ShiftOf(mouse->modifiers()), x(), y());
            return true;
        case QEvent::MouseButtonRelease:
            if (clickPending_ && immagine->rect().contains(mouse->position().toPoint()))
                emit Click();
            clickPending_ = false;
            return true;
        case QEvent::MouseButtonDblClick:
            clickPending_ = false;  // its release ends the double click, not a new click
            emit DblClick();
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

}  // namespace imbinder

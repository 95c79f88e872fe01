// Draws the pictures of both programs (toolbar icons, the welcome panels, the format tiles,
// the application icons the desktop shows) and the skin's drop-down arrow.
// The pictures are committed; run scripts/draw-pictures after changing this file.
//   DrawPictures <resources folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// The skin's colours.
const QColor kAccent(0x30, 0x84, 0xcf);
const QColor kAccentDark(0x2b, 0x52, 0x8c);
const QColor kAccentLight(0xdc, 0xeb, 0xfa);
const QColor kText(0x1f, 0x2d, 0x3d);
const QColor kSubtle(0x5a, 0x6b, 0x7d);
const QColor kBorder(0xb7, 0xc9, 0xdd);
const QColor kBand(0xf4, 0xf8, 0xfc);

using Icon = std::function<void(QPainter&)>;

QLinearGradient Vertical(double top, double bottom, QColor from, QColor to) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

QFont Font(const QString& family, double pixels, bool bold = false) {
    QFont font;
    font.setFamilies({family, "WenQuanYi Micro Hei", "DejaVu Sans"});
    font.setPixelSize(qRound(pixels));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont Chinese(double pixels, bool bold = false) {
    return Font("WenQuanYi Micro Hei", pixels, bold);
}
QFont Latin(double pixels, bool bold = false) { return Font("DejaVu Sans", pixels, bold); }

// ---- Icon parts, in a 32 by 32 frame ----

void Page(QPainter& p, bool pdfLabel) {
    const double l = 5.5, t = 2.5, r = 23.5, b = 29.5, fold = 6;
    QPainterPath outline;
    outline.moveTo(l, t);
    outline.lineTo(r - fold, t);
    outline.lineTo(r, t + fold);
    outline.lineTo(r, b);
    outline.lineTo(l, b);
    outline.closeSubpath();
    p.setPen(QPen(kAccentDark, 1.2));
    p.setBrush(Vertical(t, b, Qt::white, QColor(0xe6, 0xef, 0xf9)));
    p.drawPath(outline);
    QPainterPath corner;
    corner.moveTo(r - fold, t);
    corner.lineTo(r - fold, t + fold);
    corner.lineTo(r, t + fold);
    corner.closeSubpath();
    p.setBrush(QColor(0xbf, 0xd5, 0xee));
    p.drawPath(corner);
    p.setPen(QPen(QColor(0x9d, 0xbb, 0xdb), 1.4, Qt::SolidLine, Qt::RoundCap));
    for (double y : {10.0, 13.5}) p.drawLine(QPointF(l + 3.5, y), QPointF(r - 3.5, y));
    if (pdfLabel) {
        // Left of the corner badges, which cover the page's lower right.
        QRectF label(l - 3.5, 17, 15, 7.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Vertical(label.top(), label.bottom(), QColor(0xe8, 0x5a, 0x4f),
                            QColor(0xc2, 0x36, 0x2c)));
        p.drawRoundedRect(label, 1.5, 1.5);
        p.setPen(Qt::white);
        p.setFont(Latin(6.5, true));
        p.drawText(label.translated(0, -0.2), Qt::AlignCenter, "PDF");
    } else {
        p.drawLine(QPointF(l + 3.5, 17), QPointF(r - 3.5, 17));
    }
}

void Photo(QPainter& p) {
    p.setPen(QPen(kAccentDark, 1.2));
    p.setBrush(Vertical(5, 27, Qt::white, QColor(0xe6, 0xef, 0xf9)));
    p.drawRoundedRect(QRectF(3.5, 5.5, 24, 20), 2, 2);
    QRectF sky(6.5, 8.5, 18, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(
        Vertical(sky.top(), sky.bottom(), QColor(0x8e, 0xcb, 0xf8), QColor(0xd8, 0xee, 0xfc)));
    p.drawRect(sky);
    p.setBrush(QColor(0xf7, 0xc2, 0x44));
    p.drawEllipse(QPointF(20.5, 12.5), 2.3, 2.3);
    QPolygonF hills({{6.5, 22.5}, {12, 14.5}, {16, 19.5}, {19, 16.5}, {24.5, 22.5}});
    p.setBrush(Vertical(14, 23, QColor(0x6c, 0xc2, 0x7a), QColor(0x3a, 0x96, 0x4e)));
    p.drawPolygon(hills);
}

void Folder(QPainter& p) {
    QPainterPath back;
    back.moveTo(2.5, 7.5);
    back.lineTo(11, 7.5);
    back.lineTo(13.5, 10);
    back.lineTo(27.5, 10);
    back.lineTo(27.5, 26.5);
    back.lineTo(2.5, 26.5);
    back.closeSubpath();
    p.setPen(QPen(QColor(0xb3, 0x7a, 0x16), 1.1));
    p.setBrush(Vertical(7, 27, QColor(0xf2, 0xb8, 0x45), QColor(0xdc, 0x98, 0x22)));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(2.5, 26.5);
    front.lineTo(5, 13.5);
    front.lineTo(30, 13.5);
    front.lineTo(27.5, 26.5);
    front.closeSubpath();
    p.setBrush(Vertical(13, 27, QColor(0xfd, 0xdc, 0x7c), QColor(0xf1, 0xb4, 0x3c)));
    p.drawPath(front);
}

void Badge(QPainter& p, QColor light, QColor dark) {
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Vertical(18, 31, light, dark));
    p.drawEllipse(QPointF(24.5, 24.5), 6.8, 6.8);
}

void PlusBadge(QPainter& p) {
    Badge(p, QColor(0x62, 0xc9, 0x75), QColor(0x2b, 0x94, 0x45));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24.5, 21), QPointF(24.5, 28));
    p.drawLine(QPointF(21, 24.5), QPointF(28, 24.5));
}

void CrossBadge(QPainter& p) {
    Badge(p, QColor(0xf0, 0x6b, 0x5e), QColor(0xc2, 0x36, 0x2c));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22, 22), QPointF(27, 27));
    p.drawLine(QPointF(27, 22), QPointF(22, 27));
}

void Disc(QPainter& p, QColor light, QColor dark, QColor rim) {
    QRadialGradient gradient(QPointF(13, 10), 18);
    gradient.setColorAt(0, light);
    gradient.setColorAt(1, dark);
    p.setPen(QPen(rim, 1.2));
    p.setBrush(gradient);
    p.drawEllipse(QPointF(16, 16), 13.2, 13.2);
}

void BlueDisc(QPainter& p) {
    Disc(p, QColor(0x74, 0xbd, 0xf4), QColor(0x2b, 0x6c, 0xb4), QColor(0x23, 0x5a, 0x96));
}

void Start(QPainter& p) {
    Disc(p, QColor(0x7a, 0xd6, 0x8a), QColor(0x2a, 0x92, 0x44), QColor(0x22, 0x78, 0x38));
    QPainterPath triangle;
    triangle.moveTo(12.5, 9.5);
    triangle.lineTo(23.5, 16);
    triangle.lineTo(12.5, 22.5);
    triangle.closeSubpath();
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(triangle);
}

void Globe(QPainter& p) {
    BlueDisc(p);
    QPainterPath disc;
    disc.addEllipse(QPointF(16, 16), 12.6, 12.6);
    p.save();
    p.setClipPath(disc);
    p.setPen(QPen(QColor(255, 255, 255, 210), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 5.5, 13);
    p.drawLine(QPointF(16, 2), QPointF(16, 30));
    p.drawLine(QPointF(2, 16), QPointF(30, 16));
    p.drawLine(QPointF(4, 9.5), QPointF(28, 9.5));
    p.drawLine(QPointF(4, 22.5), QPointF(28, 22.5));
    p.restore();
}

void Power(QPainter& p) {
    Disc(p, QColor(0xf4, 0x86, 0x78), QColor(0xc0, 0x33, 0x29), QColor(0x9c, 0x28, 0x20));
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(9, 9.5, 14, 14), 125 * 16, 290 * 16);
    p.drawLine(QPointF(16, 7.5), QPointF(16, 15));
}

void Trash(QPainter& p) {
    p.setPen(QPen(kAccentDark, 1.1));
    p.setBrush(Vertical(3, 9, QColor(0xa9, 0xc6, 0xe6), QColor(0x5f, 0x8e, 0xc4)));
    p.drawRoundedRect(QRectF(12.5, 3.5, 7, 3.5), 1, 1);
    p.drawRoundedRect(QRectF(5.5, 6.5, 21, 4), 1.5, 1.5);
    QPainterPath body;
    body.moveTo(7.5, 11);
    body.lineTo(24.5, 11);
    body.lineTo(22.8, 28.5);
    body.lineTo(9.2, 28.5);
    body.closeSubpath();
    p.setBrush(Vertical(11, 29, QColor(0x9c, 0xbd, 0xe2), QColor(0x4a, 0x7b, 0xb3)));
    p.drawPath(body);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (double x : {12.0, 16.0, 20.0})
        p.drawLine(QPointF(x, 14), QPointF(x + (x - 16) * 0.1, 25.5));
}

void Arrow(QPainter& p, bool down) {
    BlueDisc(p);
    p.save();
    if (!down) {
        p.translate(16, 16);
        p.rotate(180);
        p.translate(-16, -16);
    }
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(16, 8.5), QPointF(16, 22));
    p.drawPolyline(QPolygonF({{10.5, 16.5}, {16, 22.5}, {21.5, 16.5}}));
    p.restore();
}

// The drop-down arrow of the skin's combo boxes, 12 by 8.
void DropDownArrow(QPainter& p) {
    p.setPen(QPen(kAccentDark, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{2.5, 2}, {6, 5.5}, {9.5, 2}}));
}

// ---- Writing ----

int failures = 0;

void Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++failures;
    }
}

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void SaveIcon(const Icon& draw, const QString& path) {
    QImage image = Canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    p.end();
    Save(image, path);
}

// An icon drawn at another size, its frame's top left at (x, y).
void DrawIconAt(QPainter& p, const Icon& draw, double x, double y, double size) {
    p.save();
    p.translate(x, y);
    p.scale(size / 32, size / 32);
    draw(p);
    p.restore();
}

void NumberBadge(QPainter& p, QPointF centre, int number) {
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Vertical(centre.y() - 14, centre.y() + 14, QColor(0x55, 0xa6, 0xea), kAccentDark));
    p.drawEllipse(centre, 14, 14);
    p.setPen(Qt::white);
    p.setFont(Latin(16, true));
    p.drawText(QRectF(centre.x() - 14, centre.y() - 14, 28, 28), Qt::AlignCenter,
               QString::number(number));
}

void Chevron(QPainter& p, QPointF tip) {
    p.setPen(QPen(QColor(0x9d, 0xc1, 0xe6), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({tip + QPointF(-7, -10), tip, tip + QPointF(-7, 10)}));
}

void TitleBand(QPainter& p, const QRectF& band, const QString& title, const QFont& titleFont,
               const QString& subtitle, const QFont& subtitleFont) {
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    shape.addRoundedRect(band, 10, 10);
    shape.addRect(band.adjusted(0, band.height() / 2, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(
        Vertical(band.top(), band.bottom(), QColor(0x4a, 0x9b, 0xe0), QColor(0x2b, 0x6c, 0xb0)));
    p.drawPath(shape.simplified());
    p.setPen(Qt::white);
    p.setFont(titleFont);
    QRectF text = band.adjusted(24, 0, -24, 0);
    p.drawText(text.adjusted(0, 8, 0, -band.height() / 2 + 4), Qt::AlignLeft | Qt::AlignVCenter,
               title);
    p.setPen(QColor(0xe2, 0xef, 0xfb));
    p.setFont(subtitleFont);
    p.drawText(text.adjusted(0, band.height() / 2 + 2, 0, -6), Qt::AlignLeft | Qt::AlignVCenter,
               subtitle);
}

// The background: white at the top, shading to the band colour at plainFrom and plain below.
void Card(QPainter& p, int width, int height, double plainFrom) {
    QRectF card(0.5, 0.5, width - 1, height - 1);
    QLinearGradient shade = Vertical(0, height, Qt::white, kBand);
    shade.setColorAt(plainFrom / height, kBand);
    p.setPen(QPen(kBorder, 1));
    p.setBrush(shade);
    p.drawRoundedRect(card, 10, 10);
}

// ---- pagelift ----

void FormatTile(QPainter& p, const QString& name, QColor colour) {
    p.setPen(QPen(kBorder, 1));
    p.setBrush(Vertical(2, 62, Qt::white, QColor(0xea, 0xf2, 0xfb)));
    p.drawRoundedRect(QRectF(4.5, 2.5, 63, 59), 8, 8);
    DrawIconAt(p, Photo, 20, 2, 32);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(38, 56, colour.lighter(118), colour.darker(112)));
    p.drawRoundedRect(QRectF(13, 37, 46, 19), 4, 4);
    p.setPen(Qt::white);
    p.setFont(Latin(13, true));
    p.drawText(QRectF(13, 37, 46, 19), Qt::AlignCenter, name);
}

void PageliftDoor(QPainter& p) {
    const int width = 466, height = 338;
    // The program lays the five format pictures over the band from y 250: it stays plain.
    Card(p, width, height, 249);
    TitleBand(p, QRectF(0.5, 0.5, width - 1, 64), "PDF 转图片，只需三步", Chinese(20, true),
              "把 PDF 文档的每一页保存成一张图片", Chinese(12));

    const Icon step1 = [](QPainter& q) {
        Page(q, true);
        PlusBadge(q);
    };
    const Icon step2 = [](QPainter& q) { Photo(q); };
    const Icon step3 = Start;
    const Icon icons[] = {step1, step2, step3};
    const char* captions[] = {"添加PDF文件", "选择输出格式", "立刻开始转换"};
    const double column = width / 3.0;
    for (int i = 0; i < 3; ++i) {
        double centre = column * i + column / 2;
        p.setPen(QPen(QColor(0xd3, 0xe2, 0xf2), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(centre - 62, 84, 124, 138), 8, 8);
        DrawIconAt(p, icons[i], centre - 26, 104, 52);
        NumberBadge(p, QPointF(centre - 52, 94), i + 1);
        p.setPen(kAccentDark);
        p.setFont(Chinese(15, true));
        p.drawText(QRectF(centre - 62, 170, 124, 36), Qt::AlignCenter, captions[i]);
        if (i < 2) Chevron(p, QPointF(column * (i + 1) + 4, 153));
    }
    p.setPen(kSubtle);
    p.setFont(Chinese(12));
    p.drawText(QRectF(20, 226, width - 40, 22), Qt::AlignCenter,
               "点击下面的图片格式，马上添加PDF文件");
}

// ---- imbinder ----

void Form(QPainter& p) {
    p.setPen(QPen(kAccentDark, 1.2));
    p.setBrush(Vertical(3, 29, Qt::white, QColor(0xe6, 0xef, 0xf9)));
    p.drawRoundedRect(QRectF(4.5, 2.5, 23, 27), 2, 2);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x9d, 0xbb, 0xdb), 1));
    for (double y : {6.5, 11.5, 16.5}) p.drawRoundedRect(QRectF(8, y, 16, 3.5), 1, 1);
    p.setPen(QPen(QColor(0xc9, 0xd7, 0xe6), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 24), QPointF(24, 24));
    p.setPen(QPen(kAccent, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 24), QPointF(18, 24));
    p.setPen(QPen(kAccent, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(18, 24), 2.3, 2.3);
}

void PdfResult(QPainter& p) {
    Page(p, true);
    p.save();
    p.translate(16.5, 16.5);
    p.scale(0.5, 0.5);
    Start(p);
    p.restore();
}

void ImbinderDoor(QPainter& p) {
    const int width = 749, height = 411;
    Card(p, width, height, height);
    TitleBand(p, QRectF(0.5, 0.5, width - 1, 80), "Getting Started", Latin(28, true),
              "Turn a list of images into one PDF document", Latin(14));

    const Icon step1 = [](QPainter& q) {
        q.save();
        q.translate(-5, 2);
        Folder(q);
        q.restore();
        q.save();
        q.translate(9, -3);
        q.scale(0.8, 0.8);
        Photo(q);
        q.restore();
        PlusBadge(q);
    };
    const Icon icons[] = {step1, Form, PdfResult};
    const char* steps[] = {
        "Add an image file or an image folder with the toolbar buttons",
        "Set the document title, subject, keywords and compress quality",
        "Press the convert button to start",
    };
    const double margin = 28, gap = 34;
    const double cardWidth = (width - 2 * margin - 2 * gap) / 3;
    for (int i = 0; i < 3; ++i) {
        double left = margin + i * (cardWidth + gap);
        QRectF card(left, 112, cardWidth, 262);
        p.setPen(QPen(QColor(0xd3, 0xe2, 0xf2), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(card, 10, 10);
        DrawIconAt(p, icons[i], card.center().x() - 40, 140, 80);
        NumberBadge(p, QPointF(left + 24, 136), i + 1);
        p.setPen(kAccentDark);
        p.setFont(Latin(15, true));
        p.drawText(QRectF(left, 236, cardWidth, 24), Qt::AlignCenter,
                   QString("Step %1").arg(i + 1));
        p.setPen(kText);
        p.setFont(Latin(14));
        p.drawText(QRectF(left + 18, 266, cardWidth - 36, 96), Qt::AlignHCenter | Qt::TextWordWrap,
                   steps[i]);
        if (i < 2) Chevron(p, QPointF(left + cardWidth + gap / 2 + 4, 243));
    }
}

void SavePicture(int width, int height, const std::function<void(QPainter&)>& draw,
                 const QString& path) {
    QImage image = Canvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    p.end();
    Save(image, path);
}

Icon WithBadge(void (*base)(QPainter&), void (*badge)(QPainter&)) {
    return [base, badge](QPainter& p) {
        base(p);
        badge(p);
    };
}

void PdfPage(QPainter& p) { Page(p, true); }

// ---- Application icons, in a 32 by 32 frame ----

// The tile both application icons stand on, so that they hold their own on any panel colour.
void AppTile(QPainter& p) {
    p.setPen(QPen(kBorder, 0.8));
    p.setBrush(Vertical(1, 31, Qt::white, kAccentLight));
    p.drawRoundedRect(QRectF(1.4, 1.4, 29.2, 29.2), 6, 6);
}

// A small blue arrow from a source part to the result part, pointing down and right.
void LeadArrow(QPainter& p, QPointF from, QPointF to) {
    p.setPen(QPen(kAccent, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(from, to);
    const QPointF along = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF across(-along.y(), along.x());
    p.drawPolyline(
        QPolygonF({to - along * 2.6 + across * 2.2, to, to - along * 2.6 - across * 2.2}));
}

// pagelift: a PDF page gives a picture.
void PageliftIcon(QPainter& p) {
    AppTile(p);
    DrawIconAt(p, PdfPage, 1.5, 1.5, 21);
    DrawIconAt(p, Photo, 10.5, 11, 21);
    LeadArrow(p, QPointF(20, 5.5), QPointF(25.5, 11));
}

// imbinder: pictures bound into a PDF page.
void ImbinderIcon(QPainter& p) {
    AppTile(p);
    DrawIconAt(p, Photo, 1, 0.5, 17);
    DrawIconAt(p, Photo, 4, 7, 17);
    DrawIconAt(p, PdfPage, 11.5, 9, 21);
    LeadArrow(p, QPointF(18.5, 3.5), QPointF(24, 8.5));
}

// The application icon at the sizes the desktop's icon theme takes.
void SaveAppIcons(const Icon& draw, const std::function<QString(const QString&)>& path) {
    for (int size : {48, 64, 128, 256})
        SavePicture(
            size, size, [&](QPainter& p) { DrawIconAt(p, draw, 0, 0, size); },
            path(QString("icon_%1.png").arg(size)));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: DrawPictures <resources folder>\n");
        return 2;
    }
    QDir resources(QString::fromLocal8Bit(argv[1]));
    resources.mkpath("pagelift");
    resources.mkpath("imbinder");
    resources.mkpath("skin");
    auto pagelift = [&](const QString& name) { return resources.filePath("pagelift/" + name); };
    auto imbinder = [&](const QString& name) { return resources.filePath("imbinder/" + name); };

    // By button index: add file, add folder, delete file, start, web site, exit, clear list.
    const Icon pageliftToolbar[] = {WithBadge(PdfPage, PlusBadge),
                                    WithBadge(Folder, PlusBadge),
                                    WithBadge(PdfPage, CrossBadge),
                                    Start,
                                    Globe,
                                    Power,
                                    Trash};
    for (int i = 0; i < 7; ++i)
        SaveIcon(pageliftToolbar[i], pagelift(QString("toolbar_%1.png").arg(i)));
    SavePicture(466, 338, PageliftDoor, pagelift("door.png"));
    SaveAppIcons(PageliftIcon, pagelift);
    const struct {
        const char* name;
        QColor colour;
    } formats[] = {{"JPG", QColor(0xe0, 0x70, 0x3a)},
                   {"BMP", QColor(0x3a, 0xa6, 0x55)},
                   {"GIF", QColor(0x9b, 0x59, 0xb6)},
                   {"PNG", kAccent},
                   {"TIF", QColor(0xc9, 0x95, 0x1c)}};
    for (int i = 0; i < 5; ++i)
        SavePicture(
            72, 64, [&](QPainter& p) { FormatTile(p, formats[i].name, formats[i].colour); },
            pagelift(QString("format_%1.png").arg(i)));

    // By button index: add file, add folder, remove file, clear list, move down, exit, move up.
    const Icon imbinderToolbar[] = {
        WithBadge(Photo, PlusBadge),         WithBadge(Folder, PlusBadge),
        WithBadge(Photo, CrossBadge),        Trash,
        [](QPainter& p) { Arrow(p, true); }, Power,
        [](QPainter& p) { Arrow(p, false); }};
    for (int i = 0; i < 7; ++i)
        SaveIcon(imbinderToolbar[i], imbinder(QString("toolbar_%1.png").arg(i)));
    SavePicture(749, 411, ImbinderDoor, imbinder("door.png"));
    SaveAppIcons(ImbinderIcon, imbinder);

    SavePicture(12, 8, DropDownArrow, resources.filePath("skin/arrow_down.png"));
    return failures == 0 ? 0 : 1;
}

// The main window of imbinder offscreen, with the real decoder helper, the real PDF writer and
// the real pdftk, in a program folder of its own so that setting.dll is the test's.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>

#include "FreeImage.h"
#include "HostileImages.h"
#include "ImagePreview.h"
#include "PdfLibrary.h"
#include "PdfReadBack.h"
#include "Printing.h"
#include "ShowImage.h"
#include "common/QuotedLineFile.h"
#include "frmPrinting.h"
#include "platform/Platform.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FakeModals.h"
#include "tests/support/TempDrive.h"
#include "tests/support/TextPages.h"
#include "tiffio.h"

namespace imbinder {
namespace {

using Strings = std::vector<std::string>;
constexpr double kPointsPerUnit = 72.0 / 254.0;

// A JPEG of that size with an EXIF orientation tag (big-endian, one directory entry).
QByteArray JpegWithOrientation(int width, int height, uint16_t orientation) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    QByteArray exif("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif += char(orientation >> 8);
    exif += char(orientation & 0xFF);
    exif += QByteArray(6, '\0');
    const int length = int(exif.size()) + 2;
    return jpeg.insert(2,
                       QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + exif);
}

using Ink = std::array<uint8_t, 4>;  // cyan, magenta, yellow, black; 0 is no ink

// A CMYK JPEG of one colour, in Adobe's inverted form or the plain one.
QByteArray CmykJpeg(int width, int height, Ink ink, bool adobe) {
    const std::string jpeg = hostile::EncodeJpeg(
        width, height, adobe ? hostile::JpegColours::AdobeCmyk : hostile::JpegColours::PlainCmyk,
        [&](unsigned, unsigned, int c) { return adobe ? uint8_t(255 - ink[c]) : ink[c]; });
    return QByteArray::fromStdString(jpeg);
}

// A TIFF of one colour in RGB (three samples) or CMYK (four) at 8 bits a sample.
void WriteTiff(const std::string& hostPath, int width, int height,
               const std::vector<uint8_t>& pixel) {
    TIFF* tiff = TIFFOpen(hostPath.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    const bool cmyk = pixel.size() == 4;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<int>(pixel.size()));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, cmyk ? PHOTOMETRIC_SEPARATED : PHOTOMETRIC_RGB);
    if (cmyk) TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
    for (int y = 0; y < height; ++y)
        TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(y), 0);
    TIFFClose(tiff);
}

// A GIF of one colour, through FreeImage's palette quantiser; Qt writes no GIF.
void WriteGif(const std::string& hostPath, int width, int height, QColor colour) {
    FIBITMAP* rgb = FreeImage_Allocate(width, height, 24);
    RGBQUAD fill{static_cast<BYTE>(colour.blue()), static_cast<BYTE>(colour.green()),
                 static_cast<BYTE>(colour.red()), 0};
    FreeImage_FillBackground(rgb, &fill);
    FIBITMAP* palette = FreeImage_ColorQuantize(rgb, FIQ_WUQUANT);
    EXPECT_TRUE(FreeImage_Save(FIF_GIF, palette, hostPath.c_str(), 0));
    FreeImage_Unload(palette);
    FreeImage_Unload(rgb);
}

bool Near(QColor actual, QColor expected) {
    constexpr int kTolerance = 24;  // two rounds of JPEG coding of a flat colour
    return std::abs(actual.red() - expected.red()) <= kTolerance &&
           std::abs(actual.green() - expected.green()) <= kTolerance &&
           std::abs(actual.blue() - expected.blue()) <= kTolerance;
}

// The colour in the middle of a page's one picture, as the file holds it.
QColor PageColour(const readback::PdfPage& page) {
    if (page.images.size() != 1) return {};
    const QImage image = QImage::fromData(page.images[0].data);
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

// What lblPB shows each time the build lets the window repaint, each text once in a row.
class LabelTrail {
  public:
    explicit LabelTrail(const QLabel* label) : label_(label) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Note(); });
        timer_.start(0);
    }
    Strings Texts() {
        Note();
        return texts_;
    }

  private:
    void Note() {
        std::string text = label_->text().toStdString();
        if (texts_.empty() || texts_.back() != text) texts_.push_back(std::move(text));
    }
    const QLabel* label_;
    QTimer timer_;
    Strings texts_;
};

class PrintingWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        // The program folder holds what the program finds beside itself.
        for (const char* name :
             {"imdecode", "libpdfctl32.so", "libSkinH.so", "skin.qss", "pdftk", "pdftk.jsa"}) {
            std::filesystem::path target = std::string(PROGRAM_FOLDER) + "/" + name;
            if (std::filesystem::exists(target)) {
                std::filesystem::create_symlink(target, programFolder.host() + "/" + name);
            }
        }
        platform::SetProgramFolder(programFolder.host());
        SetProgramEnd([] { ADD_FAILURE() << "the PDF writer reported a failure"; });
        NewWindow();
    }
    void TearDown() override {
        window.reset();
        SetProgramEnd(nullptr);
        platform::SetProgramFolder(PROGRAM_FOLDER);
    }

    void NewWindow() {
        window.reset();
        window = std::make_unique<frmPrinting>();
        window->endProgram = [this] { ++programEnds; };
    }

    Strings Entries() const {
        Strings entries;
        for (int i = 0; i < window->List1->count(); ++i)
            entries.push_back(window->List1->item(i)->text().toStdString());
        return entries;
    }
    std::string PageLabel() const { return window->lblPageNum->text().toStdString(); }
    std::string Image(const std::string& name, const QByteArray& bytes) const {
        drive.root().WriteFile("in/" + name, bytes.toStdString());
        return "C:\\in\\" + name;
    }
    std::string Image(const std::string& name, const QImage& image, const char* format) const {
        const std::string host = drive.root().WriteFile("in/" + name);
        EXPECT_TRUE(image.save(QString::fromStdString(host), format));
        return "C:\\in\\" + name;
    }
    std::string SettingsFile() const { return platform::ProgramFolder() + "\\setting.dll"; }

    testing_support::TempCDrive drive;
    testing_support::TempFolder programFolder;
    testing_support::FakeDesktop desktop;
    testing_support::FakeModals modals;
    std::unique_ptr<frmPrinting> window;
    int programEnds = 0;
};

TEST_F(PrintingWindow, ActivatingAnEntryPreviewsItsImage) {
    QImage image(300, 150, QImage::Format_RGB32);
    image.fill(Qt::red);
    window->DropFiles({Image("wide.png", image, "PNG")}, false);
    ASSERT_EQ(window->List1->count(), 1);
    emit window->List1->itemActivated(window->List1->item(0));
    auto* preview = window->findChild<frmPreview*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->windowTitle().contains("wide.png"));
    EXPECT_TRUE(preview->windowTitle().contains("300"));
}

TEST_F(PrintingWindow, StartsAsDesignedSkinnedAndSpeakable) {
    EXPECT_EQ(window->windowTitle(), "Imbinder");
    EXPECT_EQ(window->CmdToolsBar[6]->geometry(), QRect(376, 0, 95, 66));  // 5640 twips
    EXPECT_EQ(window->CmdToolsBar[5]->geometry(), QRect(658, 0, 95, 66));
    EXPECT_EQ(window->CmdToolsBar[0]->toolTip(), "Add a PDF File");
    EXPECT_TRUE(window->CmdToolsBar[6]->toolTip().isEmpty());
    EXPECT_FALSE(window->CmdToolsBar[4]->icon().isNull());
    EXPECT_EQ(window->picDoor->geometry(), QRect(2, 93, 749, 411));
    EXPECT_EQ(window->picDoor->pixmap().size(), QSize(749, 411));
    EXPECT_FALSE(window->picDoor->isHidden());
    EXPECT_EQ(window->prewImage->geometry(), QRect(302, 484, 83, 15));
    EXPECT_TRUE(window->prewImage->isHidden()) << "its empty frame is not shown";
    EXPECT_EQ(window->txtTitle->text(), QString::fromUtf8("新PDF文件"));
    EXPECT_EQ(window->txtPath->text(), "C:\\output");
    EXPECT_EQ(window->lblQuality->text(), "80%");
    EXPECT_EQ(window->lblQtt->text(), QString::fromUtf8("最佳"));
    EXPECT_EQ(window->lblQtt->geometry().right(), window->Slider1->geometry().right());
    EXPECT_LE(window->lblQtt->fontMetrics().horizontalAdvance(window->lblQtt->text()),
              window->lblQtt->width());
    EXPECT_TRUE(QRegularExpression("^D:\\d{14}[+-]\\d\\d'\\d\\d$")
                    .match(window->txtCreationDate->text())
                    .hasMatch());
    EXPECT_FALSE(qApp->styleSheet().isEmpty()) << "the skin is attached";

    for (QWidget* control : window->findChildren<QWidget*>()) {
        const bool speaks = qobject_cast<QAbstractButton*>(control) ||
                            qobject_cast<QLineEdit*>(control) ||
                            qobject_cast<QListWidget*>(control) || qobject_cast<QSlider*>(control);
        if (speaks && control->parentWidget() == window->centralWidget()) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
    }
    for (QLabel* label :
         {window->lblPB, window->lblPageNum, window->lblQuality, window->lblQtt, window->lblText}) {
        EXPECT_TRUE(label->accessibleName().isEmpty());
    }

    // The web page is imbinder's part of the guide beside the program.
    window->findChild<QAction*>("menuWeb")->trigger();
    ASSERT_EQ(desktop.shellOpens().size(), 1u);
    const QUrl guide(QString::fromStdString(desktop.shellOpens()[0]));
    EXPECT_EQ(guide.toLocalFile().toStdString(), programFolder.host() + "/guide.html");
    EXPECT_EQ(guide.fragment(), "imbinder");
    QFile shipped(PROGRAM_FOLDER "/guide.html");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_TRUE(shipped.readAll().contains("id=\"imbinder\"")) << "the part the page opens";

    window->close();
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(qApp->styleSheet().isEmpty()) << "the skin is detached at shutdown";
}

// The fields under the getting-started panel show themselves when the keyboard reaches them.
TEST_F(PrintingWindow, TabIntoTheCoveredFieldsHidesThePanel) {
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->CmdToolsBar[5]->setFocus();
    ASSERT_TRUE(window->picDoor->isVisible());
    QTest::keyClick(window->CmdToolsBar[5], Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->List1);
    EXPECT_FALSE(window->picDoor->isVisible());
}

TEST_F(PrintingWindow, ListCommandsKeepThePageOrderAndTheirEdges) {
    window->CmdToolsBar_Click(2);  // remove on an empty list: nothing, not even the hint
    EXPECT_FALSE(window->picText->isHidden());
    EXPECT_TRUE(window->picDoor->isHidden()) << "the first command hides the welcome picture";
    window->CmdToolsBar_Click(3);
    EXPECT_FALSE(window->picText->isHidden());

    desktop.nextOpenFile("C:\\a.jpg");
    desktop.nextOpenFile("C:\\a.jpg");
    desktop.nextOpenFile(std::nullopt);
    for (int i = 0; i < 3; ++i) window->CmdToolsBar_Click(0);
    EXPECT_EQ(desktop.fileDialogs().back().title, "打开文件");
    EXPECT_EQ(desktop.fileDialogs().back().initialFile, "") << "no preset name after a choice";
    window->DropFiles({"C:\\b.png", "C:\\c.gif"}, false);
    EXPECT_EQ(Entries(), (Strings{"C:\\a.jpg", "C:\\a.jpg", "C:\\b.png", "C:\\c.gif"}));
    EXPECT_TRUE(window->picText->isHidden());

    window->CmdToolsBar_Click(6);  // no selection: nothing moves
    window->CmdToolsBar_Click(4);
    window->CmdToolsBar_Click(2);
    EXPECT_EQ(Entries().size(), 4u);
    EXPECT_EQ(PageLabel(), "当前文件所在页码: 0");

    window->List1->setCurrentRow(0);
    window->CmdToolsBar_Click(6);  // up at the top
    EXPECT_EQ(window->List1->currentRow(), 0);
    window->List1->setCurrentRow(2);
    window->List1->setFocus();
    QTest::keyClick(window->List1, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Entries(), (Strings{"C:\\a.jpg", "C:\\b.png", "C:\\a.jpg", "C:\\c.gif"}));
    EXPECT_EQ(PageLabel(), "当前文件所在页码: 2");
    window->CmdToolsBar_Click(4);
    window->CmdToolsBar_Click(4);
    EXPECT_EQ(Entries(), (Strings{"C:\\a.jpg", "C:\\a.jpg", "C:\\c.gif", "C:\\b.png"}));
    EXPECT_EQ(PageLabel(), "当前文件所在页码: 4");
    window->CmdToolsBar_Click(4);  // down at the bottom
    EXPECT_EQ(window->List1->currentRow(), 3);

    QTest::keyClick(window->List1, Qt::Key_Delete);
    EXPECT_EQ(Entries(), (Strings{"C:\\a.jpg", "C:\\a.jpg", "C:\\c.gif"}));
    EXPECT_EQ(window->List1->currentRow(), -1);
    EXPECT_EQ(PageLabel(), "当前文件所在页码: 4") << "removing leaves the label";

    window->CmdToolsBar_Click(3);
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(window->picText->isHidden());
    window->DropFiles({"C:\\x.bmp"}, false);
    window->List1->setCurrentRow(0);
    window->CmdToolsBar_Click(2);  // the last entry goes: the hint comes back
    EXPECT_FALSE(window->picText->isHidden());

    // A folder's images, sub-folders included, after what the list holds; through the menu.
    window->DropFiles({"C:\\first.png"}, false);
    programFolder.WriteFile("pics/a.png");
    programFolder.WriteFile("pics/sub/b.JPG");
    programFolder.WriteFile("pics/c.txt");
    desktop.nextFolder(programFolder.windows() + "\\pics");
    window->findChild<QAction*>("menuFolder")->trigger();
    const std::string pics = programFolder.windows() + "\\pics\\";
    EXPECT_EQ(Entries(), (Strings{"C:\\first.png", pics + "a.png", pics + "sub\\b.JPG"}));
    EXPECT_EQ(desktop.folderTitles().back(), "请选择文件夹:");
    EXPECT_TRUE(window->picText->isHidden());
    EXPECT_EQ(window->lblText->text(), QString::fromUtf8("拖拽文件到这里"));
    window->findChild<QAction*>("menuRemoveAll")->trigger();
    EXPECT_TRUE(Entries().empty());
}

TEST_F(PrintingWindow, DropsTakeImagesByTheEndOfTheirNames) {
    window->DropFiles({"Z:\\d\\c.txt"}, false);
    EXPECT_FALSE(window->picText->isHidden());
    EXPECT_FALSE(window->picDoor->isHidden()) << "a drop on the list leaves the picture";
    window->DropFiles(
        {"Z:\\d\\a.JPG", "Z:\\d\\b.jpeg", "Z:\\d\\c.txt", "Z:\\d\\d.Tiff", "Z:\\d\\xjpg"}, true);
    EXPECT_EQ(Entries(),
              (Strings{"Z:\\d\\a.JPG", "Z:\\d\\b.jpeg", "Z:\\d\\d.Tiff", "Z:\\d\\xjpg"}));
    EXPECT_TRUE(window->picText->isHidden());
    EXPECT_TRUE(window->picDoor->isHidden());

    // A drop from the file manager on the hint panel.
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(programFolder.WriteFile("in/e.png"))),
         QUrl::fromLocalFile(QString::fromStdString(programFolder.WriteFile("in/f.doc")))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->picText, &enter);  // the drop goes to the drag's target
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->picText, &drop);
    EXPECT_EQ(Entries().back(), programFolder.windows() + "\\in\\e.png");
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
}

// Installed, setting.dll comes from the user's configuration folder, and a cancelled browse
// falls back to the default output folder rather than the system's program folder.
TEST_F(PrintingWindow, InstalledTheSettingsAreTheUsersAndTheFallbackIsTheOutputFolder) {
    testing_support::TempFolder config;
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.host()));
    programFolder.WriteFile("installed", "an installed program folder\n");
    ASSERT_TRUE(common::WriteQuotedLineFile(
        platform::ToWindowsPath(config.MakeFolder("imbinder") + "/setting.dll"),
        {"我的标题", "王", "主题", "k", "35"}));
    NewWindow();
    EXPECT_EQ(window->txtTitle->text(), QString::fromUtf8("我的标题"));
    desktop.nextFolder(std::nullopt);
    window->cmdBrowse_Click();
    EXPECT_EQ(window->txtPath->text(), "C:\\output");
    qputenv("XDG_CONFIG_HOME", configBefore);
}

TEST_F(PrintingWindow, QualityWordsFollowTheSlider) {
    const std::pair<int, const char*> levels[] = {{80, "最佳"}, {79, "较好"}, {60, "较好"},
                                                  {59, "中等"}, {30, "中等"}, {29, "低"},
                                                  {0, "低"}};
    for (const auto& [value, word] : levels) {
        window->Slider1->setValue(value);
        EXPECT_EQ(window->lblQuality->text(), QString::number(value) + "%");
        EXPECT_EQ(window->lblQtt->text(), QString::fromUtf8(word)) << value;
    }
}

TEST_F(PrintingWindow, SettingsFileIsReadAtStartUpAndBadLinesLeaveTheControls) {
    ASSERT_TRUE(common::WriteQuotedLineFile(SettingsFile(), {"报告", "王", "主题", "k", "35"}));
    NewWindow();
    EXPECT_EQ(window->txtTitle->text(), QString::fromUtf8("报告"));
    EXPECT_EQ(window->txtCreateFor->text(), QString::fromUtf8("王"));
    EXPECT_EQ(window->txtKeywords->text(), "k");
    EXPECT_EQ(window->Slider1->value(), 35);
    EXPECT_EQ(window->lblQtt->text(), QString::fromUtf8("中等"));

    ASSERT_TRUE(common::WriteQuotedLineFile(SettingsFile(), {"a", "b", "c", "d", "150"}));
    NewWindow();
    EXPECT_EQ(window->txtKeywords->text(), "d");
    EXPECT_EQ(window->Slider1->value(), 80);

    ASSERT_TRUE(common::WriteQuotedLineFile(SettingsFile(), {"t", "u", "v"}));
    NewWindow();
    EXPECT_EQ(window->txtSubject->text(), "v");
    EXPECT_EQ(window->txtKeywords->text(), "");
    EXPECT_EQ(window->Slider1->value(), 80);
}

// The machine's time zone for as long as it lives, as the TZ variable names one.
class TimeZone {
  public:
    explicit TimeZone(const char* zone)
        : saved_(qgetenv("TZ")), wasSet_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZone() {
        if (wasSet_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        tzset();
    }

  private:
    QByteArray saved_;
    bool wasSet_;
};

TEST_F(PrintingWindow, CreationDateCarriesTheMachinesOffsetFromUtc) {
    EXPECT_EQ(CreationDateText(2024, 3, 5, 14, 7, 9, 8 * 3600), "D:20240305140709+08'00");
    EXPECT_EQ(CreationDateText(2024, 3, 5, 14, 7, 9, -(3 * 3600 + 30 * 60)),
              "D:20240305140709-03'30");
    EXPECT_EQ(CreationDateText(2024, 3, 5, 14, 7, 9, 0), "D:20240305140709+00'00");
    {
        const TimeZone beijing("CST-8");
        NewWindow();
        EXPECT_TRUE(window->txtCreationDate->text().endsWith("+08'00"))
            << window->txtCreationDate->text().toStdString();
    }
    const TimeZone newfoundland("NST+3:30");
    window->txtCreationDate->clear();
    window->Command1->click();
    EXPECT_TRUE(window->txtCreationDate->text().endsWith("-03'30"))
        << window->txtCreationDate->text().toStdString();
}

TEST_F(PrintingWindow, OutputFolderBrowser) {
    desktop.nextFolder("Z:\\srv\\pdf");
    window->cmdBrowse->click();
    EXPECT_EQ(window->txtPath->text(), "Z:\\srv\\pdf");
    window->cmdBrowse->click();  // cancelled
    EXPECT_EQ(window->txtPath->text().toStdString(), platform::ProgramFolder() + "\\output");
    EXPECT_EQ(desktop.folderTitles().back(), "请选择一个文件夹:");
}

TEST(PrintingTables, PageSizesFormatsAndResultNames) {
    EXPECT_EQ(PageSizeOf(1000, 800).width, 2660);
    EXPECT_EQ(PageSizeOf(1000, 800).height, 2128);
    const PageSize huge = PageSizeOf(20000, 100);  // 53191 units wide: scaled into 16 bits
    EXPECT_EQ(huge.width, 32767);
    EXPECT_EQ(huge.height, 164);
    EXPECT_EQ(ImageFormatCode("C:\\a.b\\X.JPEG"), 2);
    EXPECT_EQ(ImageFormatCode("x.Tiff"), 18);
    EXPECT_EQ(ImageFormatCode("x.dib"), 0);
    EXPECT_EQ(ImageFormatCode("x.dat"), std::nullopt);
    EXPECT_EQ(ImageFormatCode("xjpg"), std::nullopt);
    EXPECT_EQ(ResultFileName("..\\..\\x"), ".._.._x");
    EXPECT_EQ(ResultFileName("a/b:c*?\"<>|\t"), "a_b_c_______");
    EXPECT_EQ(ResultFileName(""), "新PDF文件");
}

TEST_F(PrintingWindow, EmptyListAsksForAFileFirst) {
    window->Command3->click();
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].text, "请先添加一个文件");
    EXPECT_EQ(desktop.messages()[0].title, "Add File");
    EXPECT_FALSE(platform::PathExists(SettingsFile()));
    EXPECT_FALSE(platform::PathExists("c:\\tmp"));
}

TEST_F(PrintingWindow, BuildsOnePageForEachReadableImageInOrder) {
    struct Page {
        int width;  // pixels, upright
        int height;
        QColor colour;
    };
    std::vector<Page> pages;
    const auto solid = [](int width, int height, QColor colour, QImage::Format format) {
        QImage image(width, height, format);
        image.fill(colour);
        return image;
    };
    const QColor red(200, 30, 40);
    const Ink redInk = {0, 217, 204, 55};

    // The first: 1000 x 800 pixels, the page of 2660 x 2128 units.
    Strings images = {Image("a.jpg", solid(1000, 800, Qt::blue, QImage::Format_RGB32), "JPG"),
                      Image("broken.png", QByteArray("no image"))};
    pages.push_back({1000, 800, Qt::blue});
    images.push_back(Image("turned.jpg", JpegWithOrientation(40, 20, 6)));
    pages.push_back({20, 40, Qt::darkGreen});
    images.push_back(
        Image("alpha.png", solid(300, 200, QColor(255, 0, 0, 100), QImage::Format_ARGB32), "PNG"));
    pages.push_back({300, 200, QColor(255, 155, 155)});  // on white
    images.push_back(Image("d.bmp", solid(120, 90, Qt::yellow, QImage::Format_RGB32), "BMP"));
    pages.push_back({120, 90, Qt::yellow});
    images.push_back(Image("plain-cmyk.jpg", CmykJpeg(64, 48, redInk, false)));
    pages.push_back({64, 48, red});
    images.push_back(Image("adobe-cmyk.jpg", CmykJpeg(48, 64, redInk, true)));
    pages.push_back({48, 64, red});
    images.push_back(Image(
        "deep.png",
        solid(50, 30, QColor::fromRgba64(0x8000, 0x4000, 0xC0FF), QImage::Format_RGBX64), "PNG"));
    pages.push_back({50, 30, QColor(128, 64, 192)});
    WriteGif(drive.root().WriteFile("in/g.gif"), 30, 50, Qt::magenta);
    images.push_back("C:\\in\\g.gif");
    pages.push_back({30, 50, Qt::magenta});
    WriteTiff(drive.root().WriteFile("in/rgb.tif"), 70, 40, {0, 160, 160});
    images.push_back("C:\\in\\rgb.tif");
    pages.push_back({70, 40, QColor(0, 160, 160)});
    WriteTiff(drive.root().WriteFile("in/cmyk.tiff"), 40, 70, {redInk.begin(), redInk.end()});
    images.push_back("C:\\in\\cmyk.tiff");
    pages.push_back({40, 70, red});
    // Small pages of the common formats in turn, to make up a long document.
    const char* formats[] = {"JPG", "PNG", "BMP"};
    for (int k = 0; k < 9; ++k) {
        const QColor colour = QColor::fromHsv(k * 40, 200, 220);
        const std::string name = "small" + std::to_string(k) + "." + formats[k % 3];
        images.push_back(
            Image(name, solid(20 + k, 30 - k, colour, QImage::Format_RGB32), formats[k % 3]));
        pages.push_back({20 + k, 30 - k, colour});
    }
    window->DropFiles(images, false);
    ASSERT_EQ(window->List1->count(), 20);
    // A PNG under a name outside the format table: found from its content.
    std::filesystem::rename(drive.root().host() + "/in/alpha.png",
                            drive.root().host() + "/in/alpha.data");
    images[3] = "C:\\in\\alpha.data";
    window->List1->item(3)->setText(QString::fromStdString(images[3]));

    drive.root().WriteFile("tmp/keep.txt", "another program's");
    window->txtTitle->setText(QString::fromUtf8("新PDF文件/第1章"));
    window->txtCreateFor->setText("Ann");
    window->txtPath->setText("C:\\out\\");
    window->Slider1->setValue(75);

    bool sawBuilding = false;
    QTimer::singleShot(0, window.get(), [&] {
        sawBuilding = window->IsBuilding() && !window->Command3->isEnabled() &&
                      !window->CmdToolsBar[0]->isEnabled();
        window->DropFiles({"C:\\late.png"}, false);
        window->CmdToolsBar_Click(3);
    });
    LabelTrail trail(window->lblPB);
    window->Command3->click();

    EXPECT_TRUE(sawBuilding);
    EXPECT_EQ(Entries(), images) << "the list does not change under a build";
    // Preparing counts the 20 images, building the 18 merges of the 19 pages.
    Strings labels = {"准备文件..."};
    for (int i = 0; i < 20; ++i)
        labels.push_back("准备文件..." + std::to_string(i * 100 / 19) + "%");
    labels.push_back("开始创建...");
    for (int k = 1; k < 19; ++k) labels.push_back("创建中..." + std::to_string(k * 100 / 18) + "%");
    labels.push_back("删除临时文件...");
    labels.push_back("Done.");
    EXPECT_EQ(trail.Texts(), labels);
    EXPECT_EQ(window->txtPath->text(), "C:\\out");
    EXPECT_EQ(desktop.shellOpens(), Strings{"C:\\out"});
    EXPECT_EQ(desktop.beeps(), 1);
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(desktop.messages()[0].text, "以下文件没有加入文档:\nC:\\in\\broken.png: 文件已损坏");

    const auto pdf = readback::ReadPdf(platform::ToHostPath("C:\\out\\新PDF文件_第1章.pdf"));
    ASSERT_TRUE(pdf);
    ASSERT_EQ(pdf->pages.size(), pages.size());
    // A page unit is a tenth of a millimetre, 0.376 pixels at 96 dots per inch.
    const auto points = [](int pixels) { return std::nearbyint(pixels / 0.376) * kPointsPerUnit; };
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_NEAR(pdf->pages[i].width, points(pages[i].width), 0.01) << i;
        EXPECT_NEAR(pdf->pages[i].height, points(pages[i].height), 0.01) << i;
        EXPECT_TRUE(Near(PageColour(pdf->pages[i]), pages[i].colour))
            << i << ": " << PageColour(pdf->pages[i]).name().toStdString() << " for "
            << pages[i].colour.name().toStdString();
    }
    EXPECT_NEAR(pdf->pages[0].width, 2660 * kPointsPerUnit, 0.01);
    EXPECT_EQ(pdf->info.at("Title"), "新PDF文件/第1章");
    EXPECT_EQ(pdf->info.at("Author"), "Ann");
    EXPECT_EQ(pdf->info.at("CreationDate"), window->txtCreationDate->text().toStdString());

    EXPECT_FALSE(platform::PathExists("c:\\jpgtmp"));
    EXPECT_TRUE(platform::PathExists("c:\\tmp\\keep.txt"));
    platform::DirectoryListing merge("c:\\tmp");
    int entries = 0;
    while (merge.Next()) ++entries;
    EXPECT_EQ(entries, 3) << "., .. and the other program's file";
    EXPECT_EQ(common::ReadQuotedLineFile(SettingsFile()).values,
              (Strings{"新PDF文件/第1章", "Ann", "新主题", "", "75"}));
    EXPECT_TRUE(window->Command3->isEnabled());
    for (QToolButton* button : window->CmdToolsBar) EXPECT_TRUE(button->isEnabled());
}

TEST_F(PrintingWindow, OneImageBuildsWithoutPercentagesOrMerges) {
    QImage image(90, 60, QImage::Format_RGB32);
    image.fill(Qt::cyan);
    window->DropFiles({Image("only.png", image, "PNG")}, false);
    window->txtTitle->clear();  // the result takes the default title
    LabelTrail trail(window->lblPB);
    window->Command3->click();

    EXPECT_EQ(trail.Texts(), (Strings{"准备文件...", "开始创建...", "删除临时文件...", "Done."}));
    EXPECT_TRUE(desktop.messages().empty());
    const auto pdf = readback::ReadPdf(platform::ToHostPath("C:\\output\\新PDF文件.pdf"));
    ASSERT_TRUE(pdf);
    ASSERT_EQ(pdf->pages.size(), 1u);
    EXPECT_NEAR(pdf->pages[0].width, 239 * kPointsPerUnit, 0.01);
    EXPECT_NEAR(pdf->pages[0].height, 160 * kPointsPerUnit, 0.01);
    EXPECT_TRUE(Near(PageColour(pdf->pages[0]), Qt::cyan));
    EXPECT_FALSE(platform::PathExists("c:\\tmp"));
}

TEST_F(PrintingWindow, WithoutPdftkTheBuildSaysItFailed) {
    QImage image(50, 40, QImage::Format_RGB32);
    image.fill(Qt::gray);
    window->DropFiles({Image("a.png", image, "PNG")}, false);
    std::filesystem::remove(programFolder.host() + "/pdftk");  // neither beside the program
    const QByteArray path = qgetenv("PATH");                   // nor on the search path
    qputenv("PATH", QByteArray::fromStdString(drive.root().MakeFolder("no-tools")));
    window->Command3->click();
    qputenv("PATH", path);

    EXPECT_EQ(window->lblPB->text(), QString::fromUtf8("创建失败."));
    ASSERT_EQ(desktop.messages().size(), 2u);
    EXPECT_EQ(desktop.messages()[0].text, "File or command not found");
    EXPECT_EQ(desktop.messages()[1].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(desktop.messages()[1].text, "没有生成PDF文件: pdftk 无法启动");
    EXPECT_TRUE(desktop.shellOpens().empty());
    EXPECT_EQ(desktop.beeps(), 0);
    EXPECT_FALSE(platform::PathExists("C:\\output\\新PDF文件.pdf"));
    EXPECT_FALSE(platform::PathExists("c:\\tmp"));
    EXPECT_TRUE(window->Command3->isEnabled());
}

Strings SolidImages(const std::function<std::string(const std::string&, const QImage&)>& image,
                    const std::string& prefix, int count) {
    Strings images;
    for (int i = 0; i < count; ++i) {
        QImage picture(40 + i, 30, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 50, 200, 200));
        images.push_back(image(prefix + std::to_string(i) + ".png", picture));
    }
    return images;
}

using testing_support::kNotice;
using testing_support::TextPage;

std::string PageText(const std::string& pdf, int page) {
    const std::string number = std::to_string(page);
    return readback::RunReader("pdftotext",
                               {"-f", number, "-l", number, platform::ToHostPath(pdf), "-"})
        .output;
}

class RecognizingWindow : public PrintingWindow {
  protected:
    void SetUp() override {
        for (const char* name : {"imocr", "glyphless.ttf"}) {
            std::filesystem::create_symlink(std::string(PROGRAM_FOLDER) + "/" + name,
                                            programFolder.host() + "/" + name);
        }
        PrintingWindow::SetUp();
    }
};

// Ticked, every page gets the text of its picture, upright or turned, found as typed; the
// pictures are drawn exactly as without it, and the choice is remembered.
TEST_F(RecognizingWindow, LaysSearchableTextUnderTheSamePictures) {
    EXPECT_FALSE(window->chkRecognize->isChecked());
    EXPECT_EQ(window->chkRecognize->accessibleName(), QString::fromUtf8("文字识别(OCR)"));
    window->DropFiles({Image("notice.png", TextPage(kNotice, 0), "PNG"),
                       Image("turned.png", TextPage(kNotice, 90), "PNG"),
                       Image("blank.png", TextPage({}, 0), "PNG")},
                      false);
    window->chkRecognize->click();
    window->txtTitle->setText("read");
    Strings labels;
    {
        LabelTrail trail(window->lblPB);
        window->Command3->click();
        labels = trail.Texts();
    }
    for (const char* label : {"正在识别文字 1/3", "正在识别文字 2/3", "正在识别文字 3/3"})
        EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end()) << label;
    EXPECT_TRUE(desktop.messages().empty()) << "a picture without text is no failure";
    const std::string read = "C:\\output\\read.pdf";
    for (int page : {1, 2}) {
        const std::string text = PageText(read, page);
        EXPECT_NE(text.find("提交采购申请"), std::string::npos) << page << ": " << text;
        EXPECT_NE(text.find("purchase request"), std::string::npos) << page << ": " << text;
    }
    EXPECT_EQ(PageText(read, 3).find_first_not_of(" \n\f"), std::string::npos);
    EXPECT_EQ(common::ReadQuotedLineFile(SettingsFile()).values,
              (Strings{"read", "Imbinder", "新主题", "", "80", "1"}));

    window->chkRecognize->click();
    window->txtTitle->setText("plain");
    window->Command3->click();
    const auto render = [](const std::string& pdf) {
        return readback::RunReader("pdftoppm", {"-r", "20", platform::ToHostPath(pdf)}).output;
    };
    EXPECT_EQ(render(read), render("C:\\output\\plain.pdf"));
    EXPECT_EQ(PageText("C:\\output\\plain.pdf", 1).find("采购"), std::string::npos);

    window->chkRecognize->click();
    window->Command3->click();
    NewWindow();
    EXPECT_TRUE(window->chkRecognize->isChecked());
}

// A page whose recognition runs out of time stays in the document and is named; the build
// is done.
TEST_F(RecognizingWindow, APageOverItsTimeKeepsItsPictureAndIsNamed) {
    window->DropFiles({Image("a.png", TextPage(kNotice, 0), "PNG")}, false);
    window->recognitionLimits.baseTime = std::chrono::milliseconds(1);
    window->recognitionLimits.timePerMillionPixels = std::chrono::milliseconds(0);
    window->chkRecognize->click();
    window->Command3->click();

    EXPECT_EQ(window->lblPB->text(), "Done.");
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(
        desktop.messages()[0].text,
        "以下图片已加入文档, 但没有加入识别的文字:\nC:\\in\\a.png: 文字识别没有在 1 秒内结束");
    const auto pdf = readback::ReadPdf(platform::ToHostPath("C:\\output\\新PDF文件.pdf"));
    EXPECT_EQ(pdf ? pdf->pages.size() : 0u, 1u);
    EXPECT_FALSE(platform::PathExists("c:\\tmp"));
}

// Without the language data the box cannot be ticked, says what to install, and keeps the
// user's choice for when it is there.
TEST_F(RecognizingWindow, MissingLanguageDataDisablesTheBox) {
    ASSERT_TRUE(common::WriteQuotedLineFile(SettingsFile(), {"t", "a", "s", "k", "80", "1"}));
    testing_support::TempFolder empty;
    qputenv("TESSDATA_PREFIX", QByteArray::fromStdString(empty.host()));
    NewWindow();
    EXPECT_TRUE(window->chkRecognize->isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->chkRecognize->isEnabled(); }, 20000));
    qunsetenv("TESSDATA_PREFIX");
    EXPECT_FALSE(window->chkRecognize->isChecked());
    EXPECT_TRUE(window->chkRecognize->toolTip().contains("tesseract-ocr-chi-sim"));

    window->DropFiles({Image("a.png", TextPage({}, 0), "PNG")}, false);
    window->Command3->click();
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_EQ(common::ReadQuotedLineFile(SettingsFile()).values.back(), "1");
}

// Unticked, the build never starts the recognizer: only its start-up check runs.
TEST_F(PrintingWindow, UntickedNoRecognitionRuns) {
    const std::string log = programFolder.host() + "/runs.log";
    const std::string helper = programFolder.host() + "/imocr";
    std::ofstream(helper) << "#!/bin/sh\necho \"$1\" >> '" << log << "'\n";
    std::filesystem::permissions(helper, std::filesystem::perms::owner_all);
    NewWindow();
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::gray);
    window->DropFiles({Image("a.png", image, "PNG")}, false);
    window->Command3->click();
    ASSERT_TRUE(platform::PathExists("C:\\output\\新PDF文件.pdf"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(log); }, 20000));
    std::ifstream runs(log);
    for (std::string run; std::getline(runs, run);) EXPECT_EQ(run, "--check");
}

// One C drive, two windows: the second build waits for nothing and changes nothing while the
// first holds the working folders, and each document comes out whole.
TEST_F(PrintingWindow, ASecondWindowsBuildIsRefusedWhileTheFirstRuns) {
    const auto png = [this](const std::string& name, const QImage& picture) {
        return Image(name, picture, "PNG");
    };
    window->DropFiles(SolidImages(png, "first", 4), false);
    window->txtTitle->setText("first");
    frmPrinting second;
    const Strings secondImages = SolidImages(png, "second", 2);
    second.DropFiles(secondImages, false);
    second.txtTitle->setText("second");

    bool triedDuringFirst = false;
    QTimer::singleShot(0, window.get(), [&] {
        triedDuringFirst = window->IsBuilding();
        second.Command3->click();
    });
    window->Command3->click();

    ASSERT_TRUE(triedDuringFirst);
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].text, "另一个窗口正在生成PDF文件，请等它完成后再开始。");
    EXPECT_EQ(desktop.messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(second.Command3->isEnabled());
    EXPECT_EQ(second.List1->count(), 2);
    EXPECT_EQ(second.txtTitle->text(), "second");
    const auto first = readback::ReadPdf(platform::ToHostPath("C:\\output\\first.pdf"));
    EXPECT_EQ(first ? first->pages.size() : 0u, 4u);

    second.Command3->click();
    const auto after = readback::ReadPdf(platform::ToHostPath("C:\\output\\second.pdf"));
    EXPECT_EQ(after ? after->pages.size() : 0u, 2u) << "the folders are free once it is done";
    EXPECT_EQ(desktop.messages().size(), 1u);
}

// The processes of this test's pdftk runs: the launchers it starts and the service of its own
// runtime folder.
std::vector<pid_t> MergeProcesses(const std::string& runtimeFolder) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string id = entry.path().filename().string();
        if (id.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        long parent = 0;
        std::istringstream(line.substr(close + 2)) >> state >> parent;
        std::ifstream cmdline(entry.path() / "cmdline");
        const std::string command((std::istreambuf_iterator<char>(cmdline)), {});
        if (parent == getpid() || command.find(runtimeFolder) != std::string::npos) {
            if (command.find("pdftk") != std::string::npos) found.push_back(std::stoi(id));
        }
    }
    return found;
}

// Every merge process stopped, as a hung pdftk is: the run ends at its limit with the service
// that held it, the build says why, and the next build makes its document at once.
TEST_F(PrintingWindow, HungMergeEndsAtItsLimitAndTheNextBuildIsWhole) {
    testing_support::TempFolder runtime;
    std::filesystem::permissions(runtime.host(), std::filesystem::perms::owner_all);
    const std::optional<QByteArray> runtimeBefore =
        qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")
            ? std::optional<QByteArray>(qgetenv("XDG_RUNTIME_DIR"))
            : std::nullopt;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.host()));
    window->DropFiles(
        SolidImages([this](const std::string& name,
                           const QImage& picture) { return Image(name, picture, "PNG"); },
                    "page", 3),
        false);
    window->Command3->click();  // the service starts and stays
    ASSERT_TRUE(platform::PathExists("C:\\output\\新PDF文件.pdf"));
    platform::DeleteFile("C:\\output\\新PDF文件.pdf");

    std::set<pid_t> stopped;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (!window->lblPB->text().startsWith(QString::fromUtf8("开始创建")) &&
            !window->lblPB->text().startsWith(QString::fromUtf8("创建中"))) {
            return;
        }
        for (const pid_t id : MergeProcesses(runtime.host())) {
            if (stopped.insert(id).second) kill(id, SIGSTOP);
        }
    });
    stopper.start(5);
    window->pdftkTime.base = std::chrono::seconds(3);
    const auto start = std::chrono::steady_clock::now();
    window->Command3->click();
    stopper.stop();
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_FALSE(stopped.empty());
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_EQ(window->lblPB->text(), QString::fromUtf8("创建失败."));
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].text, "没有生成PDF文件: pdftk 没有在 3 秒内完成");
    EXPECT_FALSE(platform::PathExists("c:\\tmp"));

    window->pdftkTime.base = std::chrono::seconds(20);
    window->Command3->click();
    const auto pdf = readback::ReadPdf(platform::ToHostPath("C:\\output\\新PDF文件.pdf"));
    EXPECT_EQ(pdf ? pdf->pages.size() : 0u, 3u);
    EXPECT_EQ(desktop.messages().size(), 1u);
    for (const pid_t id : stopped) kill(id, SIGKILL);  // none should be left
    if (runtimeBefore) {
        qputenv("XDG_RUNTIME_DIR", *runtimeBefore);
    } else {
        qunsetenv("XDG_RUNTIME_DIR");
    }
}

}  // namespace
}  // namespace imbinder

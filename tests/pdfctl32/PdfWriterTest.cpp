// The PDF writer through its C interface, in the order the build calls it, read back with
// qpdf and rendered with mutool.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "HostileImages.h"
#include "PdfReadBack.h"
#include "pdfctl32.h"

namespace {

constexpr double kPointsPerUnit = 72.0 / 254.0;

class PdfWriterTest : public ::testing::Test {
  protected:
    std::string PathOf(const char* name) const { return folder_.filePath(name).toStdString(); }

    std::string SaveImage(const QImage& image, const char* name) const {
        const std::string path = PathOf(name);
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    }

    // The build's calling order for one page, up to the first failure (where the program
    // would end); returns -1 on a failure, else 0.
    int32_t WritePage(const std::string& image, const std::string& pdf, int32_t width,
                      int32_t height, int32_t quality = 75) {
        const int32_t box = CreateBox(0, 0);
        const bool written =
            SetNumProp(box, 44, 1) != -1 && SetStrProp(box, 10, pdf.c_str()) != -1 &&
            SetNumProp(box, 44, 0) != -1 && SetStrProp(box, 14, "Imbinder") != -1 &&
            SetNumProp(box, 36, width) != -1 && SetNumProp(box, 34, height) != -1 &&
            SetNumProp(box, 31, 2) != -1 && SetNumProp(box, 45, quality) != -1 &&
            SetNumProp(box, 51, 2) != -1 && SetNumProp(box, 52, 2) != -1 && BeginDoc(box) != -1 &&
            StretchDrawFromFile(box, 0, 0, width, height, image.c_str()) != -1 && EndDoc(box) != -1;
        FreeBox(box);
        return written ? 0 : -1;
    }

    static std::string LastError() {
        char buffer[255];
        GetErrorMsg(buffer);
        return buffer;
    }

    static QImage Filled(int width, int height, QColor color,
                         QImage::Format format = QImage::Format_RGB32) {
        QImage image(width, height, format);
        image.fill(color);
        return image;
    }

    QTemporaryDir folder_;
};

bool Near(QColor actual, QColor expected, int tolerance = 12) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

TEST_F(PdfWriterTest, WritesOnePageSizedInTenthsOfAMillimetreWithTheProducer) {
    const std::string image = SaveImage(Filled(1000, 800, Qt::gray), "a.bmp");
    const std::string pdf = PathOf("0.pdf");
    ASSERT_EQ(WritePage(image, pdf, 2660, 2128), 0) << LastError();

    const auto contents = readback::ReadPdf(pdf);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->pages.size(), 1u);
    EXPECT_NEAR(contents->pages[0].width, 2660 * kPointsPerUnit, 0.01);
    EXPECT_NEAR(contents->pages[0].height, 2128 * kPointsPerUnit, 0.01);
    EXPECT_EQ(contents->info.at("Producer"), "Imbinder");
    ASSERT_EQ(contents->pages[0].images.size(), 1u);
    const readback::PdfImage& embedded = contents->pages[0].images[0];
    EXPECT_EQ(embedded.width, 1000);
    EXPECT_EQ(embedded.height, 800);
    EXPECT_EQ(embedded.filter, "/DCTDecode");
    EXPECT_TRUE(embedded.data.startsWith("\xFF\xD8")) << "the JPEG is embedded as it is";
}

TEST_F(PdfWriterTest, ImageFillsThePageTheRightWayUp) {
    QImage quadrants(200, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            const bool left = x < 100, top = y < 50;
            quadrants.setPixelColor(
                x, y, top ? (left ? Qt::red : Qt::green) : (left ? Qt::blue : Qt::yellow));
        }
    }
    const std::string pdf = PathOf("page.pdf");
    ASSERT_EQ(WritePage(SaveImage(quadrants, "q.bmp"), pdf, 532, 266, 100), 0) << LastError();

    // 532 x 266 tenths of a millimetre at 96 dots per inch is about 201 x 100 pixels.
    const QImage page = readback::RenderFirstPage(pdf, 96);
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 201, 1);
    EXPECT_NEAR(page.height(), 100, 1);
    EXPECT_TRUE(Near(page.pixelColor(2, 2), Qt::red));
    EXPECT_TRUE(Near(page.pixelColor(page.width() - 3, 2), Qt::green));
    EXPECT_TRUE(Near(page.pixelColor(2, page.height() - 3), Qt::blue));
    EXPECT_TRUE(Near(page.pixelColor(page.width() - 3, page.height() - 3), Qt::yellow));
}

TEST_F(PdfWriterTest, QualityChangesTheEmbeddedJpeg) {
    QImage noise(300, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x)
            noise.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    }
    const std::string image = SaveImage(noise, "noise.png");
    auto embeddedSize = [&](int32_t quality) {
        const std::string pdf = PathOf(("q" + std::to_string(quality) + ".pdf").c_str());
        EXPECT_EQ(WritePage(image, pdf, 798, 798, quality), 0) << LastError();
        const auto contents = readback::ReadPdf(pdf);
        return contents && contents->pages.size() == 1 && contents->pages[0].images.size() == 1
                   ? contents->pages[0].images[0].data.size()
                   : -1;
    };
    const auto lowest = embeddedSize(0);
    const auto low = embeddedSize(20);
    const auto high = embeddedSize(95);
    EXPECT_GT(lowest, 0);
    EXPECT_LT(lowest, low);
    EXPECT_LT(low, high);
}

TEST_F(PdfWriterTest, TransparentPixelsLieOnWhite) {
    QImage image(100, 100, QImage::Format_ARGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            image.setPixelColor(x, y, x < 50 ? QColor(0, 0, 0, 0) : QColor(255, 0, 0, 128));
        }
    }
    const std::string pdf = PathOf("alpha.pdf");
    ASSERT_EQ(WritePage(SaveImage(image, "alpha.png"), pdf, 266, 266, 100), 0) << LastError();

    const QImage page = readback::RenderFirstPage(pdf, 96);
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(Near(page.pixelColor(10, 50), Qt::white)) << "clear pixels become white";
    EXPECT_TRUE(Near(page.pixelColor(page.width() - 10, 50), QColor(255, 127, 127)))
        << "half-covered red becomes pink";
}

// A 32-bit BMP file of one colour, written byte by byte (Qt writes only 24-bit ones).
std::string Bmp32(int width, int height, uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha) {
    auto put32 = [](std::string& out, uint32_t value) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i));
    };
    const uint32_t pixelBytes = static_cast<uint32_t>(width * height * 4);
    std::string bmp = "BM";
    put32(bmp, 54 + pixelBytes);
    put32(bmp, 0);
    put32(bmp, 54);
    put32(bmp, 40);
    put32(bmp, static_cast<uint32_t>(width));
    put32(bmp, static_cast<uint32_t>(height));
    put32(bmp, 1 | (32 << 16));                 // one plane, 32 bits a pixel
    for (int i = 0; i < 6; ++i) put32(bmp, 0);  // uncompressed, default sizes and colours
    for (uint32_t i = 0; i < pixelBytes / 4; ++i) {
        bmp += {static_cast<char>(blue), static_cast<char>(green), static_cast<char>(red),
                static_cast<char>(alpha)};
    }
    return bmp;
}

TEST_F(PdfWriterTest, ThirtyTwoBitBmpWithAnEmptyFourthByteKeepsItsColours) {
    auto render = [&](uint8_t alpha, const char* name) {
        const std::string path = PathOf(name);
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(Bmp32(40, 40, 0, 0, 200, alpha)));
        file.close();
        const std::string pdf = path + ".pdf";
        EXPECT_EQ(WritePage(path, pdf, 106, 106, 100), 0) << LastError();
        return readback::RenderFirstPage(pdf, 72).pixelColor(5, 5);
    };
    EXPECT_TRUE(Near(render(0, "noalpha.bmp"), QColor(200, 0, 0)));
    EXPECT_TRUE(Near(render(128, "halfalpha.bmp"), QColor(227, 127, 127)))
        << "a real alpha channel still lays the image on white";
}

// A GIF or PNG of bitsPerPixel (1 or 4) whose palette entry 0 is transparent and entry 1 opaque
// blue; the left half of each row is transparent. Written with FreeImage, which reads such a
// GIF back at its own depth (and a PNG widened to 8 bits).
std::string TransparentPaletteImage(const std::string& path, FREE_IMAGE_FORMAT format,
                                    unsigned bitsPerPixel) {
    constexpr unsigned kSide = 64;
    FIBITMAP* bitmap = FreeImage_Allocate(kSide, kSide, static_cast<int>(bitsPerPixel));
    RGBQUAD* palette = FreeImage_GetPalette(bitmap);
    palette[0] = {0, 255, 0, 0};  // green where transparent: it must not show
    palette[1] = {255, 0, 0, 0};  // blue (BGR order)
    BYTE transparency[2] = {0, 255};
    FreeImage_SetTransparencyTable(bitmap, transparency, 2);
    for (unsigned y = 0; y < kSide; ++y) {
        for (unsigned x = 0; x < kSide; ++x) {
            BYTE index = x < kSide / 2 ? 0 : 1;
            FreeImage_SetPixelIndex(bitmap, x, y, &index);
        }
    }
    EXPECT_TRUE(FreeImage_Save(format, bitmap, path.c_str(), 0));
    FreeImage_Unload(bitmap);
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (format == FIF_PNG) {  // bit depth and palette colour type in the header, and a tRNS
        EXPECT_EQ(bytes.at(24), static_cast<char>(bitsPerPixel));
        EXPECT_EQ(bytes.at(25), 3);
        EXPECT_TRUE(bytes.contains("tRNS"));
    } else {  // the global colour table's size field, and a transparent colour flag
        EXPECT_EQ(bytes.at(10) & 7, static_cast<int>(bitsPerPixel) - 1);
        const qsizetype control = bytes.indexOf("\x21\xF9\x04");
        EXPECT_TRUE(control >= 0 && (bytes.at(control + 3) & 1));
    }
    return path;
}

TEST_F(PdfWriterTest, SmallPalettesWithATransparentColourLieOnWhite) {
    for (const FREE_IMAGE_FORMAT format : {FIF_GIF, FIF_PNG}) {
        for (const unsigned bitsPerPixel : {1u, 4u}) {
            const std::string name =
                std::string(format == FIF_GIF ? "gif" : "png") + std::to_string(bitsPerPixel);
            SCOPED_TRACE(name);
            const std::string image = TransparentPaletteImage(
                PathOf((name + (format == FIF_GIF ? ".gif" : ".png")).c_str()), format,
                bitsPerPixel);
            const std::string pdf = PathOf((name + ".pdf").c_str());
            ASSERT_EQ(WritePage(image, pdf, 170, 170, 100), 0) << LastError();
            const QImage page = readback::RenderFirstPage(pdf, 72);
            ASSERT_FALSE(page.isNull());
            EXPECT_TRUE(Near(page.pixelColor(5, 24), Qt::white));
            EXPECT_TRUE(Near(page.pixelColor(page.width() - 5, 24), QColor(0, 0, 255)));
        }
    }
}

// A 24-bit BMP file of width x rows pixels, stored top row first when the height is negative;
// pixel(x, y) gives blue, green, red of the pixel y rows from the top.
QByteArray Bmp24(int width, int height, int rowsHeld,
                 const std::function<std::array<uint8_t, 3>(int, int)>& pixel) {
    const int rows = std::abs(height);
    const int stride = (width * 3 + 3) & ~3;
    QByteArray bytes(54 + stride * rowsHeld, '\0');
    auto put32 = [&bytes](int at, int32_t value) { std::memcpy(bytes.data() + at, &value, 4); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<int32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    put32(26, 1 | 24 << 16);  // one plane, 24 bits
    for (int stored = 0; stored < rowsHeld; ++stored) {
        const int y = height < 0 ? stored : rows - 1 - stored;
        for (int x = 0; x < width; ++x) {
            const auto bgr = pixel(x, y);
            std::memcpy(bytes.data() + 54 + stored * stride + x * 3, bgr.data(), 3);
        }
    }
    return bytes;
}

TEST_F(PdfWriterTest, TwentyFourBitBitmapsKeepTheirLookAndAllGreyOnesBecomeGrey) {
    auto save = [this](const QByteArray& bytes, const char* name) {
        QFile file(QString::fromStdString(PathOf(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return PathOf(name);
    };
    const std::string greyPdf = PathOf("grey.pdf");
    const std::string grey = save(Bmp24(60, 40, 40,
                                        [](int x, int) {
                                            const uint8_t level = x < 30 ? 40 : 200;
                                            return std::array<uint8_t, 3>{level, level, level};
                                        }),
                                  "grey.bmp");
    ASSERT_EQ(WritePage(grey, greyPdf, 160, 106, 100), 0) << LastError();
    const auto contents = readback::ReadPdf(greyPdf);
    ASSERT_TRUE(contents && contents->pages.size() == 1 && contents->pages[0].images.size() == 1);
    EXPECT_EQ(contents->pages[0].images[0].colorSpace, "/DeviceGray");
    const QImage greyPage = readback::RenderFirstPage(greyPdf, 96);
    EXPECT_TRUE(Near(greyPage.pixelColor(5, 20), QColor(40, 40, 40)));
    EXPECT_TRUE(Near(greyPage.pixelColor(greyPage.width() - 5, 20), QColor(200, 200, 200)));

    // Stored top row first, one pixel not quite grey: colour, the right way up.
    const std::string topDownPdf = PathOf("topdown.pdf");
    const std::string topDown = save(Bmp24(60, -40, 40,
                                           [](int x, int y) {
                                               if (x == 59 && y == 39)
                                                   return std::array<uint8_t, 3>{9, 9, 10};
                                               return y < 20 ? std::array<uint8_t, 3>{0, 0, 255}
                                                             : std::array<uint8_t, 3>{255, 0, 0};
                                           }),
                                     "topdown.bmp");
    ASSERT_EQ(WritePage(topDown, topDownPdf, 160, 106, 100), 0) << LastError();
    EXPECT_EQ(readback::ReadPdf(topDownPdf)->pages[0].images[0].colorSpace, "/DeviceRGB");
    const QImage page = readback::RenderFirstPage(topDownPdf, 96);
    EXPECT_TRUE(Near(page.pixelColor(30, 5), Qt::red));
    EXPECT_TRUE(Near(page.pixelColor(30, page.height() - 5), Qt::blue));

    // A header that promises more rows than the file holds is never read past the file's end:
    // it takes the image library's way, which leaves the rows it lacks black.
    const std::string shortFile =
        save(Bmp24(60, 4000, 40, [](int, int) { return std::array<uint8_t, 3>{}; }), "short.bmp");
    EXPECT_EQ(WritePage(shortFile, PathOf("short.pdf"), 160, 106, 100), 0) << LastError();
}

TEST_F(PdfWriterTest, GreyAndPaletteImagesKeepTheirColours) {
    QImage grey = Filled(64, 64, Qt::black, QImage::Format_Grayscale8);
    grey.fill(QColor(100, 100, 100));
    const std::string greyPdf = PathOf("grey.pdf");
    ASSERT_EQ(WritePage(SaveImage(grey, "grey.png"), greyPdf, 170, 170, 100), 0) << LastError();
    const auto greyContents = readback::ReadPdf(greyPdf);
    ASSERT_TRUE(greyContents);
    ASSERT_EQ(greyContents->pages[0].images.size(), 1u);
    EXPECT_EQ(greyContents->pages[0].images[0].colorSpace, "/DeviceGray");
    EXPECT_TRUE(
        Near(readback::RenderFirstPage(greyPdf, 72).pixelColor(5, 5), QColor(100, 100, 100)));

    QImage palette(64, 64, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(0, 0, 255), qRgb(255, 128, 0)});
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) palette.setPixel(x, y, x < 32 ? 0 : 1);
    }
    const std::string palettePdf = PathOf("palette.pdf");
    ASSERT_EQ(WritePage(SaveImage(palette, "palette.bmp"), palettePdf, 170, 170, 100), 0)
        << LastError();
    const QImage page = readback::RenderFirstPage(palettePdf, 72);
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(Near(page.pixelColor(5, 24), QColor(0, 0, 255)));
    EXPECT_TRUE(Near(page.pixelColor(page.width() - 5, 24), QColor(255, 128, 0)));
}

TEST_F(PdfWriterTest, FailuresReturnMinusOneWithATextAndWriteNothing) {
    const std::string image = SaveImage(Filled(10, 10, Qt::white), "white.bmp");
    const std::string pdf = PathOf("out.pdf");

    EXPECT_EQ(WritePage(PathOf("missing.bmp"), pdf, 100, 100), -1);
    EXPECT_NE(LastError().find("missing.bmp"), std::string::npos) << LastError();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    QFile notAnImage(QString::fromStdString(PathOf("text.bmp")));
    ASSERT_TRUE(notAnImage.open(QIODevice::WriteOnly));
    notAnImage.write("this is not a picture");
    notAnImage.close();
    EXPECT_EQ(WritePage(PathOf("text.bmp"), pdf, 100, 100), -1);
    EXPECT_EQ(LastError(), "无法解码图片文件 " + PathOf("text.bmp") + "：文件已损坏。");

    const std::string underAFile = image + "/out.pdf";  // the parent is a regular file
    EXPECT_EQ(WritePage(image, underAFile, 100, 100), -1);
    EXPECT_EQ(LastError().find("无法写入文档文件 " + underAFile + "："), 0u) << LastError();

    EXPECT_EQ(WritePage(image, pdf, 5, 100), -1) << "a page must be at least 3 points wide";
    EXPECT_EQ(LastError().find("页面大小 5 x 100 (0.1 毫米) 超出 PDF 允许的范围"), 0u)
        << LastError();
    EXPECT_EQ(WritePage(image, pdf, 100, 50801), -1) << "and at most 14400 points high";
    EXPECT_EQ(WritePage(image, pdf, 100, -100), -1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(PdfWriterTest, CallsOutOfOrderOrOnAFreedBoxFail) {
    const int32_t box = CreateBox(0, 0);
    EXPECT_EQ(EndDoc(box), -1);
    EXPECT_EQ(StretchDrawFromFile(box, 0, 0, 10, 10, "x.bmp"), -1);
    EXPECT_EQ(LastError(), "文档尚未开始。");
    EXPECT_EQ(BeginDoc(box), -1) << "no document file set";
    EXPECT_EQ(SetNumProp(box, 10, 1), -1) << "10 is a text property";
    EXPECT_EQ(SetStrProp(box, 99, "x"), -1);
    EXPECT_EQ(SetStrProp(box, 14, nullptr), -1);
    FreeBox(box);
    EXPECT_EQ(SetNumProp(box, 45, 50), -1);
    EXPECT_EQ(LastError(), "没有编号为 " + std::to_string(box) + " 的实例。");
    EXPECT_NE(CreateBox(0, 0), box) << "a freed handle is not handed out again at once";
}

TEST_F(PdfWriterTest, ErrorTextIsCutToTheBuffer) {
    const std::string longName(400, 'x');
    EXPECT_EQ(WritePage(PathOf(longName.c_str()), PathOf("out.pdf"), 100, 100), -1);
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetErrorMsg(buffer), 254);
    EXPECT_EQ(buffer[254], '\0');
    EXPECT_EQ(buffer[255], '#') << "nothing is written past 255 bytes";
}

// The library may be handed any file: a damaged or hostile one fails its page with a reason,
// and this process goes on.
TEST_F(PdfWriterTest, HostileImagesFailTheirPageWithAReason) {
    auto writeFile = [&](const char* name, const std::string& bytes) {
        QFile file(QString::fromStdString(PathOf(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return PathOf(name);
    };
    const std::string pdf = PathOf("hostile.pdf");
    EXPECT_EQ(WritePage(writeFile("cut.psd", hostile::TruncatedPsd()), pdf, 100, 100), -1);
    EXPECT_NE(LastError().find("：文件已损坏 (解码程序在处理它时崩溃)。"), std::string::npos)
        << LastError();
    EXPECT_EQ(WritePage(writeFile("bomb.png", hostile::PngBomb()), pdf, 100, 100), -1);
    EXPECT_NE(LastError().find("：图片太大 (65535 x 65535 像素；"), std::string::npos)
        << LastError();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(PdfWriterTest, ADocumentThatCannotBeWrittenFailsAtEndDoc) {
    const std::string image = SaveImage(Filled(10, 10, Qt::white), "white.bmp");
    const int32_t box = CreateBox(0, 0);
    ASSERT_NE(SetStrProp(box, 10, "/dev/full"), -1);
    ASSERT_NE(SetNumProp(box, 36, 100), -1);
    ASSERT_NE(SetNumProp(box, 34, 100), -1);
    ASSERT_NE(BeginDoc(box), -1);
    ASSERT_NE(StretchDrawFromFile(box, 0, 0, 100, 100, image.c_str()), -1);
    EXPECT_EQ(EndDoc(box), -1);
    EXPECT_EQ(LastError(), "无法写入文档文件 /dev/full：磁盘空间不足。");
    FreeBox(box);
}

}  // namespace

// The guarded decoder with real files and the real helper program: hostile files fail one
// image with a reason while this process stays small, and decodable images of every layout
// come out as the 24-bit BMP they look like.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QSize>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "GuardedDecoder.h"
#include "HostileImages.h"
#include "tests/support/TempDrive.h"

namespace {

using decoding::DecodeResult;
using decoding::GuardedDecoder;
using decoding::kDetectFormat;

const std::string kHelper = std::string(PROGRAM_FOLDER) + "/imdecode";

// The peak resident size of this process, or of the largest helper it has waited for (which
// starts as a copy of this process).
long PeakMemoryKb(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

// A sanitizer's shadow memory swells this process's resident size by its own rules; the
// helper is built without one.
#ifdef CONVERTERS_SANITIZE
constexpr bool kMeasuresMemory = false;
#else
constexpr bool kMeasuresMemory = true;
#endif

bool Near(QColor actual, QColor expected, int tolerance = 2) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

class GuardedDecoderTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& bytes) const {
        return folder_.WriteFile(name, bytes);
    }

    std::string Save(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, const std::string& name) const {
        const std::string path = folder_.host() + "/" + name;
        EXPECT_TRUE(FreeImage_Save(format, bitmap, path.c_str(), 0)) << name;
        FreeImage_Unload(bitmap);
        return path;
    }

    DecodeResult Decode(const std::string& source, int format = kDetectFormat) const {
        return GuardedDecoder(kHelper).DecodeToBmp(source, format, Output());
    }

    std::string Output() const { return folder_.host() + "/out.bmp"; }

    // The decoded file's bits a pixel, from its header.
    int OutputBitsPerPixel() const {
        std::ifstream bmp(Output(), std::ios::binary);
        char header[30] = {};
        bmp.read(header, sizeof header);
        return bmp ? static_cast<unsigned char>(header[28]) : 0;
    }

    testing_support::TempFolder folder_;
};

TEST_F(GuardedDecoderTest, HeaderBombsAreRefusedAsTooLargeWithoutTakingTheirMemory) {
    const long before = PeakMemoryKb();
    for (const auto& [name, bytes] :
         {std::pair{"bomb.gif", hostile::GifBomb()}, std::pair{"bomb.png", hostile::PngBomb()},
          std::pair{"bomb.bmp", hostile::BmpBomb()}, std::pair{"bomb.pcx", hostile::PcxBomb()}}) {
        SCOPED_TRACE(name);
        const DecodeResult result = Decode(Write(name, bytes));
        EXPECT_EQ(result.error, "图片太大 (65535 x 65535 像素；最多 3 亿像素，每边最多 65535)");
        EXPECT_EQ(result.width, 0u);
    }
    EXPECT_LT(PeakMemoryKb() - before, 100 * 1024) << "kilobytes taken by this process";
    EXPECT_EQ(hostile::GifBomb().size(), 35u);
    EXPECT_EQ(hostile::PngBomb().size(), 69u);
    EXPECT_EQ(hostile::BmpBomb().size(), 154u);
}

TEST_F(GuardedDecoderTest, ACrashOrAHangInTheDecoderFailsOnlyThatImage) {
    const DecodeResult crashed = Decode(Write("cut.psd", hostile::TruncatedPsd()));
    EXPECT_EQ(crashed.error, "文件已损坏 (解码程序在处理它时崩溃)");

    // The loader never ends on this file, and the probe cannot size it: with these limits it
    // gets one second.
    decoding::DecodeLimits quick;
    quick.baseTime = std::chrono::milliseconds(1000);
    quick.timePer10MillionPixels = std::chrono::milliseconds(0);
    quick.unsizedBaseTime = std::chrono::milliseconds(1000);
    quick.timePerMegabyte = std::chrono::milliseconds(0);
    int waits = 0;
    const auto start = std::chrono::steady_clock::now();
    const DecodeResult hung = GuardedDecoder(kHelper, quick)
                                  .DecodeToBmp(Write("short.iff", hostile::HangingIff()),
                                               kDetectFormat, Output(), [&] { ++waits; });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(hung.error, "文件已损坏 (解码没有在 1 秒内结束)");
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_GE(waits, 10) << "the caller keeps being called while it waits";
}

// Neither the header probe here nor the helper decodes an embedded thumbnail, and a JPEG's
// or TIFF's size comes from its own header fields, never from a loader that allocates.
TEST_F(GuardedDecoderTest, ThumbnailsAreNeverDecodedAndFrameBombsAreRefusedSmall) {
    const long before = PeakMemoryKb();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Decode(Write("frame.jpg", hostile::JpegFrameBomb())).error,
              "图片太大 (30000 x 30000 像素；最多 3 亿像素，每边最多 65535)");
    const DecodeResult photo = Decode(Write("photo.jpg", hostile::CmykPhotoWithThumbnailBombs()));
    EXPECT_EQ(photo.error, "");
    EXPECT_EQ(photo.width, 1269u);
    EXPECT_EQ(photo.height, 1644u);
    EXPECT_EQ(QImage(QString::fromStdString(Output())).size(), QSize(1269, 1644));
    const DecodeResult tiff = Decode(Write("thumbs.tif", hostile::TiffWithThumbnailBombs()));
    EXPECT_EQ(tiff.error, "");
    EXPECT_EQ(tiff.width, 16u);
    EXPECT_TRUE(
        Near(QImage(QString::fromStdString(Output())).pixelColor(15, 15), QColor(255, 255, 255)))
        << "the first page's own image";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    if (kMeasuresMemory) {
        EXPECT_LT(PeakMemoryKb() - before, 200 * 1024) << "kilobytes taken by this process";
    }
    EXPECT_LT(PeakMemoryKb(RUSAGE_CHILDREN), PeakMemoryKb() + 200 * 1024)
        << "kilobytes taken by the helper beyond its copy of this process";
}

// IFF files the loader would read for ever: one that ends inside its header has no size, and
// gets time for its few bytes; one whose chunks never lead to a BODY holds no image.
TEST_F(GuardedDecoderTest, DamagedIffFilesEndWithinSeconds) {
    EXPECT_EQ(hostile::HangingIff().size(), 19u);
    EXPECT_EQ(hostile::DamagedIff().size(), 783u);
    for (const auto& [name, bytes] : {std::pair{"short.iff", hostile::HangingIff()},
                                      std::pair{"body.iff", hostile::DamagedIff()}}) {
        SCOPED_TRACE(name);
        const auto start = std::chrono::steady_clock::now();
        const DecodeResult result = Decode(Write(name, bytes));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(result.error.rfind("文件已损坏", 0), 0u) << result.error;
    }
    using std::chrono::seconds;
    const decoding::DecodeLimits limits;
    EXPECT_EQ(decoding::DecodeTime(limits, std::nullopt, 19), seconds(5));
    EXPECT_EQ(decoding::DecodeTime(limits, std::nullopt, 3 << 20), seconds(8));
    EXPECT_EQ(decoding::DecodeTime(limits, std::nullopt, uint64_t{1} << 40), seconds(60))
        << "never more than the largest image gets";
    EXPECT_EQ(decoding::DecodeTime(limits, 20'000'000, 19), seconds(32));
}

// Little files that claim 65535 x 65535 pixels in each fixed-layout header: the probe in this
// process reads every claim and refuses it before any decoder sees the file.
TEST_F(GuardedDecoderTest, FixedLayoutHeadersAreSizedInThisProcess) {
    std::string upsideDownBmp = hostile::BmpBomb();
    upsideDownBmp.replace(22, 4, std::string("\x01\0\xFF\xFF", 4));  // -65535: top down
    std::string os2Bmp = std::string("BM", 2) + std::string(8, '\0') + std::string("\x1A\0\0\0", 4);
    os2Bmp += std::string("\x0C\0\0\0\xFF\xFF\xFF\xFF\x01\0\x18\0", 12) + std::string(12, '\0');
    // Big-endian, the width a LONG and the height a SHORT.
    std::string bigEndianTiff = std::string("MM\0*\0\0\0\x08\0\x02", 10);
    bigEndianTiff += std::string("\x01\x00\0\x04\0\0\0\x01\0\0\xFF\xFF", 12);
    bigEndianTiff += std::string("\x01\x01\0\x03\0\0\0\x01\xFF\xFF\0\0", 12);
    bigEndianTiff += std::string(8, '\0');
    for (const auto& [name, bytes] :
         {std::pair{"bomb.iff", hostile::IffBomb()}, std::pair{"bomb.psd", hostile::PsdBomb()},
          std::pair{"bomb.pcx", hostile::PcxBomb()}, std::pair{"bomb.ico", hostile::IcoBomb()},
          std::pair{"down.bmp", upsideDownBmp}, std::pair{"os2.bmp", os2Bmp},
          std::pair{"big.tif", bigEndianTiff}}) {
        SCOPED_TRACE(name);
        const decoding::ImageProbe probe = decoding::ProbeImage(
            Write(name, bytes), kDetectFormat, decoding::HeaderReading::HardenedOnly);
        EXPECT_EQ(probe.fault, decoding::DecodeFault::TooLarge);
        EXPECT_EQ(probe.width, 65535u);
        EXPECT_EQ(probe.height, 65535u);
    }
}

TEST_F(GuardedDecoderTest, TheHelperRunsWithinItsMemory) {
    // 4000 x 4000 at 32 bits is 64 MB before any conversion: more than a 48 MB helper holds.
    FIBITMAP* large = FreeImage_Allocate(4000, 4000, 32);
    const std::string path = Save(large, FIF_PNG, "large.png");
    decoding::DecodeLimits small;
    small.memoryBytes = uint64_t{48} << 20;
    const DecodeResult result = GuardedDecoder(kHelper, small).DecodeToBmp(path, FIF_PNG, Output());
    EXPECT_EQ(result.error, "解码所需内存超过允许的上限");
    EXPECT_EQ(Decode(path).error, "") << "the usual limit holds it";
}

TEST_F(GuardedDecoderTest, UnreadableFilesAndAMissingHelperHaveTheirReasons) {
    EXPECT_EQ(Decode(folder_.host() + "/none.png").error, "文件不存在或无法读取");
    EXPECT_EQ(Decode(Write("text.png", "not a picture at all")).error, "文件已损坏");
    EXPECT_EQ(Decode(Write("text.xyz", "not a picture at all")).error, "不是可以读取的图片格式");
    const std::string image = Save(FreeImage_Allocate(8, 8, 24), FIF_TIFF, "a.tif");
    const DecodeResult noHelper =
        GuardedDecoder(folder_.host() + "/imdecode").DecodeToBmp(image, kDetectFormat, Output());
    EXPECT_EQ(noHelper.error.rfind("无法启动图片解码程序 imdecode (", 0), 0u) << noHelper.error;
    EXPECT_EQ(Decode(image, FIF_TIFF).error, "");
    EXPECT_EQ(GuardedDecoder(kHelper).DecodeToBmp(image, FIF_TIFF, "/dev/full").error,
              "解码后的图片无法写入 (磁盘空间不足)");
}

// A bitmap of one value in every sample; FreeImage keeps its samples in B, G, R(, A) order.
template <typename Sample>
FIBITMAP* Filled(FREE_IMAGE_TYPE type, int bitsPerPixel, std::initializer_list<Sample> samples) {
    FIBITMAP* bitmap = FreeImage_AllocateT(type, 16, 16, bitsPerPixel);
    for (unsigned y = 0; y < 16; ++y) {
        auto* line = reinterpret_cast<Sample*>(FreeImage_GetScanLine(bitmap, static_cast<int>(y)));
        for (unsigned x = 0; x < 16; ++x) {
            size_t i = x * samples.size();
            for (const Sample sample : samples) line[i++] = sample;
        }
    }
    return bitmap;
}

FIBITMAP* Palette8(RGBQUAD colour) {
    FIBITMAP* bitmap = FreeImage_Allocate(16, 16, 8);
    FreeImage_GetPalette(bitmap)[0] = colour;  // every index is 0
    return bitmap;
}

FIBITMAP* Rgb565(FIBITMAP* colour) {
    FIBITMAP* bitmap = FreeImage_ConvertTo16Bits565(colour);
    FreeImage_Unload(colour);
    return bitmap;
}

TEST_F(GuardedDecoderTest, EveryLayoutBecomesTheTwentyFourBitImageItShows) {
    struct Case {
        const char* name;
        FIBITMAP* bitmap;
        FREE_IMAGE_FORMAT format;
        QColor shown;
    };
    FIBITMAP* halfClear = Filled<BYTE>(FIT_BITMAP, 32, {0, 0, 255, 128});  // red, half covering
    const Case cases[] = {
        {"grey8.png", Filled<BYTE>(FIT_BITMAP, 8, {100}), FIF_PNG, QColor(100, 100, 100)},
        {"grey16.png", Filled<WORD>(FIT_UINT16, 16, {0x6480}), FIF_PNG, QColor(100, 100, 100)},
        {"rgb48.tif", Filled<WORD>(FIT_RGB16, 48, {0xC8FF, 0x3200, 0x0A00}), FIF_TIFF,
         QColor(200, 50, 10)},  // FIT_RGB16 keeps its samples in R, G, B order
        {"rgba64.png", Filled<WORD>(FIT_RGBA16, 64, {0xFFFF, 0, 0, 0x8000}), FIF_PNG,
         QColor(255, 127, 127)},
        {"rgba.png", halfClear, FIF_PNG, QColor(255, 127, 127)},
        {"palette.gif", Palette8({0, 128, 255, 0}), FIF_GIF, QColor(255, 128, 0)},
        {"rgb16.bmp", Rgb565(Filled<BYTE>(FIT_BITMAP, 24, {0, 0, 255})), FIF_BMP,
         QColor(255, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodeResult result = Decode(Save(c.bitmap, c.format, c.name));
        ASSERT_EQ(result.error, "");
        EXPECT_EQ(result.width, 16u);
        EXPECT_EQ(OutputBitsPerPixel(), 24);
        const QImage decoded(QString::fromStdString(Output()));
        EXPECT_TRUE(Near(decoded.pixelColor(5, 5), c.shown, 3))
            << decoded.pixelColor(5, 5).name().toStdString();
    }
}

TEST_F(GuardedDecoderTest, MultiPageFilesGiveTheirFirstPage) {
    for (const FREE_IMAGE_FORMAT format : {FIF_TIFF, FIF_GIF}) {
        const std::string path = folder_.host() + (format == FIF_TIFF ? "/pages.tif" : "/anim.gif");
        FIMULTIBITMAP* pages = FreeImage_OpenMultiBitmap(format, path.c_str(), TRUE, FALSE);
        ASSERT_NE(pages, nullptr);
        for (const RGBQUAD colour : {RGBQUAD{0, 200, 0, 0}, RGBQUAD{200, 0, 0, 0}}) {
            FIBITMAP* page = Palette8(colour);
            FreeImage_AppendPage(pages, page);
            FreeImage_Unload(page);
        }
        ASSERT_TRUE(FreeImage_CloseMultiBitmap(pages));
        ASSERT_EQ(Decode(path).error, "");
        EXPECT_TRUE(
            Near(QImage(QString::fromStdString(Output())).pixelColor(3, 3), QColor(0, 200, 0)));
    }
}

// Standard error is a file while decoding runs here; libtiff has things to say about this TIFF
// (a tag it does not know).
TEST_F(GuardedDecoderTest, DecodingPrintsNothing) {
    std::string tiff = std::string("II*\0", 4) + std::string("\x0C\0\0\0", 4) + "\x10\x20\x30\x40";
    auto put16 = [&](unsigned v) {
        tiff += static_cast<char>(v & 0xFF), tiff += static_cast<char>(v >> 8);
    };
    auto entry = [&](unsigned tag, unsigned type, unsigned value) {
        put16(tag), put16(type), put16(1), put16(0), put16(value & 0xFFFF), put16(value >> 16);
    };
    put16(10);
    entry(256, 3, 2), entry(257, 3, 2), entry(258, 3, 8), entry(259, 3, 1), entry(262, 3, 1);
    entry(273, 4, 8), entry(277, 3, 1), entry(278, 3, 2), entry(279, 4, 4), entry(65000, 3, 7);
    tiff += std::string(4, '\0');
    const std::string path = Write("warns.tif", tiff);

    const std::string captured = folder_.host() + "/stderr.txt";
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* capture = std::fopen(captured.c_str(), "w");
    dup2(fileno(capture), 2);
    const DecodeResult result = Decode(path);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(capture);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(std::filesystem::file_size(captured), 0u);
}

// A 20 x 10 JPEG, red on the left and blue on the right, with an orientation tag.
std::string JpegWithOrientation(uint16_t orientation) {
    FIBITMAP* bitmap = FreeImage_Allocate(20, 10, 24);
    for (unsigned y = 0; y < 10; ++y) {
        BYTE* line = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned x = 0; x < 20; ++x) {
            line[3 * x + FI_RGBA_RED] = x < 10 ? 255 : 0;
            line[3 * x + FI_RGBA_BLUE] = x < 10 ? 0 : 255;
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory, JPEG_QUALITYSUPERB);
    FreeImage_Unload(bitmap);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string jpeg(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    // An APP1 segment right after the start marker: "Exif", a big-endian TIFF header and one
    // directory entry, Orientation (0x0112), a SHORT.
    std::string exif = std::string("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif += static_cast<char>(orientation >> 8);
    exif += static_cast<char>(orientation & 0xFF);
    exif += std::string(6, '\0');  // the value's padding, then no next directory
    const size_t length = exif.size() + 2;
    const std::string segment = std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) +
                                static_cast<char>(length & 0xFF) + exif;
    return jpeg.insert(2, segment);
}

TEST_F(GuardedDecoderTest, JpegsAreDecodedUprightAsTheirOrientationSays) {
    const DecodeResult turned = Decode(Write("turned.jpg", JpegWithOrientation(6)));
    ASSERT_EQ(turned.error, "");
    EXPECT_EQ(turned.width, 10u);
    EXPECT_EQ(turned.height, 20u);
    const QImage upright(QString::fromStdString(Output()));
    EXPECT_TRUE(Near(upright.pixelColor(5, 3), Qt::red, 40)) << "the left side is now on top";
    EXPECT_TRUE(Near(upright.pixelColor(5, 16), Qt::blue, 40));
    for (const uint16_t invalid : {0, 9, 300}) {
        SCOPED_TRACE(invalid);
        const DecodeResult kept = Decode(Write("kept.jpg", JpegWithOrientation(invalid)));
        ASSERT_EQ(kept.error, "");
        EXPECT_EQ(kept.width, 20u);
        EXPECT_TRUE(Near(QImage(QString::fromStdString(Output())).pixelColor(3, 5), Qt::red, 40));
    }
}

}  // namespace

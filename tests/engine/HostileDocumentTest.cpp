// Documents made to hang, swell or chatter: a tile pattern with a tiny step, a page tree
// that claims two thousand million pages, a damaged JPEG image, a page that takes too long.
// Each export ends by itself within seconds, prints nothing and reports the page that fails
// as a render error, with the other pages written.
#include <FreeImage.h>
#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <random>
#include <thread>

#include "EngineFixture.h"
#include "MemoryAccount.h"
#include "PageWatchdog.h"
#include "Quirel.h"
#include "TestDocuments.h"

using namespace enginetest;
using namespace std::chrono_literals;

namespace {

struct ProgressCall {
    int32_t done;
    std::thread::id thread;
};
std::vector<ProgressCall> progressCalls;

int32_t RecordProgress(int32_t, int32_t, int32_t done) {
    progressCalls.push_back({done, std::this_thread::get_id()});
    return 1;
}

struct RawPage {
    std::string resources = "<< >>";
    std::string content;
};

// A tiling pattern of blue squares half the size of its cells.
std::string TilePattern(float cell, float step) {
    const std::string half = std::to_string(cell / 2);
    return StreamObject("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 " +
                            std::to_string(cell) + " " + std::to_string(cell) + "] /XStep " +
                            std::to_string(step) + " /YStep " + std::to_string(step) +
                            " /Resources << >>",
                        "0 0 1 rg 0 0 " + half + " " + half + " re f");
}

constexpr const char* kFillWithPattern = "/Pattern cs /P1 scn 0 0 200 200 re f";

// 128 x 128 pixels of noise as JPEG, cut off after two thirds of its data.
std::string TruncatedJpeg() {
    FIBITMAP* bitmap = FreeImage_Allocate(128, 128, 24);
    std::minstd_rand noise(7);
    BYTE* bits = FreeImage_GetBits(bitmap);
    for (unsigned i = 0; i < FreeImage_GetPitch(bitmap) * 128; ++i)
        bits[i] = static_cast<BYTE>(noise());
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory, 80);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string jpeg(reinterpret_cast<const char*>(data), size * 2 / 3);
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return jpeg;
}

// A page that takes seconds at 300 DPI: twenty thousand fills of the whole page.
RawPage SlowPage() {
    RawPage page;
    for (int i = 0; i < 20000; ++i)
        page.content += (i % 2 ? "0.2 g" : "0.8 g") + std::string(" 0 0 200 200 re f\n");
    return page;
}

// A palette image that claims 20000 x 20000 pixels and holds one row of them: MuPDF decodes
// the whole image (400 MB of palette indices) and expands it to RGB (1.2 GB more) before it
// draws anything.
std::string HugePaletteImageWithOneRow() {
    return StreamObject(
        "/Type /XObject /Subtype /Image /Width 20000 /Height 20000 /ColorSpace "
        "[/Indexed /DeviceRGB 1 <0000FF00FF00>] /BitsPerComponent 8",
        std::string(20000, '\x01'));
}

std::string Deflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), data.size());
    packed.resize(size);
    return packed;
}

// A 1500 x 1500 image of one colour (6.75 MB decoded, a few kilobytes in the file).
std::string PlainImage(const char rgb[3]) {
    std::string pixels;
    for (int i = 0; i < 1500 * 1500; ++i) pixels.append(rgb, 3);
    return StreamObject(
        "/Type /XObject /Subtype /Image /Width 1500 /Height 1500 /ColorSpace "
        "/DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
        Deflate(pixels));
}

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class HostileDocumentTest : public EngineFixture {
  protected:
    void TearDown() override {
        ClosePDF(handle_);
        quirel::SetPageTimeLimit({});
        quirel::SetMemoryLimit({});
        progressCalls.clear();
        EngineFixture::TearDown();
    }

    // Objects 3 onwards are the extra objects, then the pages and their contents; pages are
    // 200 points square.
    void open(const std::vector<RawPage>& pages, const std::vector<std::string>& extra = {},
              const std::string& claimedCount = "") {
        std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
        objects.insert(objects.end(), extra.begin(), extra.end());
        std::string kids;
        for (const RawPage& page : pages) {
            const size_t number = objects.size() + 1;
            kids += std::to_string(number) + " 0 R ";
            objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources " +
                              page.resources + " /Contents " + std::to_string(number + 1) +
                              " 0 R >>");
            objects.push_back(StreamObject("", page.content));
        }
        objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " +
                     (claimedCount.empty() ? std::to_string(pages.size()) : claimedCount) + " >>";
        WriteRawPdf(path("doc.pdf"), objects);
        handle_ = OpenPDF(path("doc.pdf").c_str(), "");
        ASSERT_GE(handle_, 1);
    }

    int32_t exportPng(int dpi, int first, int last) {
        return ExportIMG(handle_, path("out").c_str(), "", QUIREL_PNG, dpi, 24, first, last,
                         RecordProgress);
    }

    int32_t handle_ = -1;
};

TEST_F(HostileDocumentTest, TinyStepTilePatternFailsItsPageQuicklyAndTheOthersAreWritten) {
    const RawPage patterned{"<< /Pattern << /P1 3 0 R >> >>", kFillWithPattern};
    const RawPage endless{"<< /Pattern << /P1 4 0 R >> >>", kFillWithPattern};
    open({patterned, endless, patterned}, {TilePattern(20, 20), TilePattern(4, 0.0001f)});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(exportPng(36, 1, 3), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(FileNames(path("out")), (std::vector<std::string>{"0001.png", "0003.png"}));
    // An ordinary pattern is still drawn: 5-pixel blue squares in 10-pixel cells.
    const DecodedImage image = Decode(path("out/0003.png"));
    const uint8_t* square = image.at(2, 97);
    EXPECT_TRUE(square[2] > 200 && square[0] < 60) << int(square[0]) << " " << int(square[2]);
    EXPECT_TRUE(image.isWhite(7, 97));
}

TEST_F(HostileDocumentTest, PageTreeClaimingFarMorePagesThanItHoldsCountsThePagesItHolds) {
    open({RawPage{"<< >>", "0 0 0 rg 0 0 50 50 re f"}}, {}, "2147483647");
    EXPECT_EQ(GetPageNum(handle_), 1);
    EXPECT_EQ(exportPng(36, 1, GetPageNum(handle_)), 1);
    EXPECT_EQ(exportPng(36, 1, 2147483647), 1);
    EXPECT_EQ(FileNames(path("out")), std::vector<std::string>{"0001.png"});
    EXPECT_LT(PeakResidentKilobytes(), 300 * 1024);
}

TEST_F(HostileDocumentTest, DamagedJpegImagePrintsNothing) {
    open({RawPage{"<< /XObject << /Im1 3 0 R >> >>", "q 200 0 0 200 0 0 cm /Im1 Do Q"}},
         {StreamObject("/Type /XObject /Subtype /Image /Width 128 /Height 128 /ColorSpace "
                       "/DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                       TruncatedJpeg())});
    ::testing::internal::CaptureStderr();
    const int32_t result = exportPng(72, 1, 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(result == 1 || result == QUIREL_RENDER_ERROR) << result;
}

TEST_F(HostileDocumentTest, PageOverItsTimeLimitFailsAndTheOthersAreWritten) {
    quirel::SetPageTimeLimit({300ms, 0ms});
    const RawPage quick{"<< >>", "0 0 0 rg 0 0 50 50 re f"};
    open({quick, SlowPage(), quick});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ExportIMG(handle_, path("out").c_str(), "", QUIREL_PNG, 300, 24, 1, 3, nullptr), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(FileNames(path("out")), (std::vector<std::string>{"0001.png", "0003.png"}));
}

TEST_F(HostileDocumentTest, WhileAPageTakesLongProgressRepeatsTheCountOnTheCallersThread) {
    quirel::SetPageTimeLimit({1000ms, 0ms});
    open({SlowPage()});
    EXPECT_EQ(exportPng(300, 1, 1), QUIREL_RENDER_ERROR);
    ASSERT_GE(progressCalls.size(), 5u);  // about ten in the second the page may take
    for (size_t i = 0; i + 1 < progressCalls.size(); ++i) EXPECT_EQ(progressCalls[i].done, 0);
    EXPECT_EQ(progressCalls.back().done, 1);
    for (const ProgressCall& call : progressCalls)
        EXPECT_EQ(call.thread, std::this_thread::get_id());
}

TEST_F(HostileDocumentTest, ImageClaimingMoreMemoryThanAnEngineMayTakeFailsItsPageQuietly) {
    const RawPage quick{"<< >>", "0 0 0 rg 0 0 50 50 re f"};
    const RawPage huge{"<< /XObject << /Im1 3 0 R >> >>", "q 200 0 0 200 0 0 cm /Im1 Do Q"};
    open({quick, huge, quick}, {HugePaletteImageWithOneRow()});
    ::testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(exportPng(36, 1, 3), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(FileNames(path("out")), (std::vector<std::string>{"0001.png", "0003.png"}));
    EXPECT_LT(PeakResidentKilobytes(), 1024 * 1024);
}

TEST_F(HostileDocumentTest, PagesWithinTheMemoryLimitAreWrittenWhenTheCacheMustMakeRoom) {
    // A page takes its image and its band, about 14 MB; with the images of earlier pages in
    // the cache it would take more than the limit, so every later page first evicts them.
    quirel::SetMemoryLimit({18u << 20, 768u << 20});
    const char colours[4][3] = {{'\xff', 0, 0}, {0, '\xff', 0}, {0, 0, '\xff'}, {0, 0, 0}};
    std::vector<RawPage> pages;
    std::vector<std::string> images;
    for (int i = 0; i < 4; ++i) {
        pages.push_back({"<< /XObject << /Im1 " + std::to_string(3 + i) + " 0 R >> >>",
                         "q 200 0 0 200 0 0 cm /Im1 Do Q"});
        images.push_back(PlainImage(colours[i]));
    }
    open(pages, images);
    ASSERT_EQ(ExportIMG(handle_, path("out").c_str(), "", QUIREL_BMP, 540, 24, 1, 4, nullptr), 4);
    for (int i = 0; i < 4; ++i) {
        const DecodedImage image = Decode(path("out/000" + std::to_string(i + 1) + ".bmp"));
        ASSERT_EQ(image.width, 1500);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(image.at(750, 750)[c], uint8_t(colours[i][c]));
    }
}

}  // namespace

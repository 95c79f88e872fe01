// Exporting pages: formats, sizes, numbering, page ranges, geometry, progress and failures.

#include <fstream>
#include <set>
#include <thread>

#include "EngineFixture.h"
#include "Quirel.h"
#include "TestDocuments.h"
#include "tests/support/DiskLimits.h"

using namespace enginetest;
using testing_support::FileSizeLimit;

namespace {

struct ProgressLog {
    struct Call {
        int32_t first, last, done;
        std::thread::id thread;
    };
    std::vector<Call> calls;
};
ProgressLog progressLog;

int32_t RecordProgress(int32_t first, int32_t last, int32_t done) {
    progressLog.calls.push_back({first, last, done, std::this_thread::get_id()});
    return 1;
}

// The counts progress went through, each once: the repeats while a page takes long, and the
// 0 repeated before the first page finishes, are left out.
std::vector<int32_t> DoneCounts() {
    std::vector<int32_t> done;
    for (const auto& call : progressLog.calls)
        if (done.empty() ? call.done != 0 : call.done != done.back()) done.push_back(call.done);
    return done;
}

// Page n of the numbered document carries a top-left mark 40 * n points wide.
TestPage NumberedPage(int n) {
    TestPage page;
    page.content = TopLeftMark(page, 40.0f * n) + "BT /F1 24 Tf 72 600 Td (Page " +
                   std::to_string(n) + ") Tj ET\n";
    return page;
}

class ExportTest : public EngineFixture {
  protected:
    void TearDown() override {
        ClosePDF(handle_);
        progressLog.calls.clear();
        EngineFixture::TearDown();
    }

    int32_t open(const std::vector<TestPage>& pages) {
        WritePdf(path("doc.pdf"), pages);
        handle_ = OpenPDF(path("doc.pdf").c_str(), "");
        EXPECT_GE(handle_, 1);
        return handle_;
    }

    int32_t openNumbered(int count) {
        std::vector<TestPage> pages;
        for (int n = 1; n <= count; ++n) pages.push_back(NumberedPage(n));
        return open(pages);
    }

    int32_t exportImages(int32_t format, int dpi, int first, int last,
                         const std::string& folder = "out") {
        return ExportIMG(handle_, path(folder).c_str(), "", format, dpi, 24, first, last,
                         RecordProgress);
    }

    // The page number a written file shows, read from the width of its mark at 72 DPI.
    int pageShownBy(const std::string& file) const {
        return (Decode(path("out") / file).darkRunFromLeft(10) + 20) / 40;
    }

    int32_t handle_ = -1;
};

struct FormatCase {
    int32_t code;
    const char* extension;
};

void PrintTo(const FormatCase& format, std::ostream* out) { *out << format.extension; }

class EachFormat : public ExportTest, public ::testing::WithParamInterface<FormatCase> {
  protected:
    int32_t exportPages(int dpi, int first, int last) {
        if (GetParam().code == QUIREL_TIFF)
            return ExportTIF(handle_, path("out").c_str(), "", dpi, dpi, first, last,
                             RecordProgress, 1, 0);
        return exportImages(GetParam().code, dpi, first, last);
    }
    std::string file(int ordinal) const {
        char name[32];
        std::snprintf(name, sizeof name, "%04d.%s", ordinal, GetParam().extension);
        return name;
    }
};

TEST_P(EachFormat, WritesOneFileOfThePageSizeAtTheResolutionPerPage) {
    TestPage page;
    page.content = TopLeftMark(page, 100) + "BT /F1 30 Tf 72 500 Td (Quirel) Tj ET\n";
    open({page, page});
    ASSERT_EQ(exportPages(150, 1, 2), 2);
    EXPECT_EQ(FileNames(path("out")), (std::vector<std::string>{file(1), file(2)}));
    const DecodedImage image = Decode(path("out") / file(2));
    EXPECT_EQ(image.width, 1240);
    EXPECT_EQ(image.height, 1754);
    EXPECT_TRUE(image.isBlack(10, 10));
    EXPECT_TRUE(image.isBlack(200, 100));
    EXPECT_TRUE(image.isWhite(220, 10));  // beyond the 100-point mark
    EXPECT_TRUE(image.isWhite(10, 120));  // below it
    EXPECT_TRUE(image.isWhite(1230, 1744));
}

TEST_P(EachFormat, RendersAtOtherResolutionsAndRanges) {
    openNumbered(3);
    ASSERT_EQ(exportPages(72, 2, 3), 2);
    const DecodedImage image = Decode(path("out") / file(1));
    EXPECT_EQ(image.width, 595);
    EXPECT_EQ(image.height, 842);
    EXPECT_EQ((image.darkRunFromLeft(10) + 20) / 40, 2);
}

TEST_P(EachFormat, PagesLargerThanOneBandJoinWithoutSeams) {
    // A4 at 300 DPI needs two bands; a full-height line and the top mark must both survive.
    TestPage page;
    page.content = TopLeftMark(page, 100) + "0 0 0 rg 300 0 4 842 re f\n";
    open({page});
    ASSERT_EQ(exportPages(300, 1, 1), 1);
    const DecodedImage image = Decode(path("out") / file(1));
    ASSERT_EQ(image.height, 3508);
    EXPECT_TRUE(image.isBlack(200, 100));
    EXPECT_TRUE(image.isWhite(200, 3400));
    int brokenRows = 0;
    for (int y = 0; y < image.height; ++y) brokenRows += !image.isBlack(1258, y);
    EXPECT_EQ(brokenRows, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, EachFormat,
                         ::testing::Values(FormatCase{QUIREL_BMP, "bmp"},
                                           FormatCase{QUIREL_JPEG, "jpg"},
                                           FormatCase{QUIREL_PNG, "png"},
                                           FormatCase{QUIREL_GIF, "gif"},
                                           FormatCase{QUIREL_TIFF, "tif"}),
                         [](const auto& info) { return std::string(info.param.extension); });

TEST_F(ExportTest, FileHeadersDeclareTheDepthOfEachFormat) {
    open({TestPage{}});
    ASSERT_EQ(exportImages(QUIREL_BMP, 20, 1, 1, "bmp"), 1);
    ASSERT_EQ(exportImages(QUIREL_PNG, 20, 1, 1, "png"), 1);
    ASSERT_EQ(exportImages(QUIREL_GIF, 20, 1, 1, "gif"), 1);
    auto head = [&](const std::string& file) {
        std::ifstream in(path(file), std::ios::binary);
        std::string bytes(32, '\0');
        in.read(bytes.data(), 32);
        return bytes;
    };
    EXPECT_EQ(head("bmp/0001.bmp")[28], 24);                                    // bits per pixel
    EXPECT_EQ(head("png/0001.png").substr(24, 2), std::string("\x08\x02", 2));  // 8-bit RGB
    EXPECT_EQ(head("gif/0001.gif").substr(0, 3), "GIF");
}

TEST_F(ExportTest, TiffTakesSeparateHorizontalAndVerticalResolutions) {
    openNumbered(1);
    ASSERT_EQ(ExportTIF(handle_, path("out").c_str(), "", 72, 144, 1, 1, nullptr, 1, 0), 1);
    const DecodedImage image = Decode(path("out/0001.tif"));
    EXPECT_EQ(image.width, 595);
    EXPECT_EQ(image.height, 1684);
    EXPECT_EQ(image.darkRunFromLeft(10), 40);
}

TEST_F(ExportTest, FilesAreNumberedInExportOrderFrom0001) {
    openNumbered(4);
    ASSERT_EQ(exportImages(QUIREL_PNG, 72, 2, 4), 3);
    EXPECT_EQ(FileNames(path("out")),
              (std::vector<std::string>{"0001.png", "0002.png", "0003.png"}));
    EXPECT_EQ(pageShownBy("0001.png"), 2);
    EXPECT_EQ(pageShownBy("0002.png"), 3);
    EXPECT_EQ(pageShownBy("0003.png"), 4);
}

TEST_F(ExportTest, PageRangeIsClampedToTheDocument) {
    openNumbered(3);
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, 0, 99, "all"), 3);
    EXPECT_EQ(FileNames(path("all")).size(), 3u);
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, 5, 9), 1);
    EXPECT_EQ(FileNames(path("out")), std::vector<std::string>{"0001.png"});
    EXPECT_EQ(pageShownBy("0001.png"), 3);
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, -4, -1, "first"), 1);
    EXPECT_EQ(FileNames(path("first")), std::vector<std::string>{"0001.png"});
}

TEST_F(ExportTest, FirstPageAboveLastWritesNothing) {
    openNumbered(3);
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, 3, 2), 0);
    EXPECT_TRUE(progressLog.calls.empty());
    EXPECT_TRUE(FileNames(path("out")).empty());
}

TEST_F(ExportTest, PageRotationTurnsTheImage) {
    TestPage page;
    page.rotate = 90;
    page.content = TopLeftMark(page, 100, 50);
    open({page});
    ASSERT_EQ(exportImages(QUIREL_PNG, 72, 1, 1), 1);
    const DecodedImage image = Decode(path("out/0001.png"));
    EXPECT_EQ(image.width, 842);
    EXPECT_EQ(image.height, 595);
    // Turned clockwise, the top-left mark lies along the right edge, 100 pixels down.
    EXPECT_TRUE(image.isBlack(image.width - 25, 90));
    EXPECT_TRUE(image.isWhite(image.width - 25, 110));
    EXPECT_TRUE(image.isWhite(25, 25));
}

TEST_F(ExportTest, CropBoxLimitsTheImage) {
    TestPage page;
    page.cropLeft = 100, page.cropBottom = 100, page.cropRight = 300, page.cropTop = 400;
    page.content = "0 0 0 rg 0 0 595 100 re f\n" + TopLeftMark(page, 50, 50);
    open({page});
    ASSERT_EQ(exportImages(QUIREL_PNG, 144, 1, 1), 1);
    const DecodedImage image = Decode(path("out/0001.png"));
    EXPECT_EQ(image.width, 400);
    EXPECT_EQ(image.height, 600);
    EXPECT_TRUE(image.isBlack(50, 50));
    EXPECT_TRUE(image.isWhite(150, 50));
    EXPECT_TRUE(image.isWhite(200, 590));  // the black band below the crop box is cut off
}

TEST_F(ExportTest, TransparentAreasComeOutWhite) {
    open({TestPage{}});
    ASSERT_EQ(exportImages(QUIREL_JPEG, 36, 1, 1), 1);
    const DecodedImage image = Decode(path("out/0001.jpg"));
    EXPECT_TRUE(image.isWhite(0, 0, 2));
    EXPECT_TRUE(image.isWhite(image.width / 2, image.height / 2, 2));
}

TEST_F(ExportTest, GifKeepsFlatAreasFlatAmongManyColours) {
    // A field of 600 distinct colours forces a reduced palette; the flat orange area beside
    // it must still come out as one colour, with no dither noise.
    TestPage page;
    std::string content = "0.9 0.5 0.1 rg 300 300 200 200 re f\n";
    for (int i = 0; i < 600; ++i)
        content += std::to_string(i % 10 / 10.0) + " " + std::to_string(i / 10 % 6 / 6.0) + " " +
                   std::to_string(i / 60 / 10.0) + " rg " + std::to_string(i % 20 * 10) + " " +
                   std::to_string(i / 20 * 10) + " 10 10 re f\n";
    page.content = content + "BT /F1 20 Tf 300 700 Td (Text stays crisp) Tj ET\n";
    open({page});
    ASSERT_EQ(exportImages(QUIREL_GIF, 72, 1, 1), 1);
    const DecodedImage image = Decode(path("out/0001.gif"));
    std::set<uint32_t> orange;
    for (int y = 842 - 490; y < 842 - 310; ++y)
        for (int x = 310; x < 490; ++x) {
            const uint8_t* p = image.at(x, y);
            orange.insert(uint32_t(p[0]) << 16 | p[1] << 8 | p[2]);
        }
    ASSERT_EQ(orange.size(), 1u);
    const uint32_t colour = *orange.begin();
    EXPECT_NEAR(int(colour >> 16), 230, 8);
    EXPECT_NEAR(int(colour >> 8 & 255), 128, 8);
    EXPECT_NEAR(int(colour & 255), 26, 8);
    EXPECT_TRUE(image.isWhite(560, 300, 0));
}

TEST_F(ExportTest, ProgressReportsEveryPageInOrderOnTheCallersThread) {
    openNumbered(6);
    ASSERT_EQ(exportImages(QUIREL_JPEG, 50, 2, 99), 5);
    EXPECT_EQ(DoneCounts(), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    for (const auto& call : progressLog.calls) {
        EXPECT_EQ(call.first, 2);
        EXPECT_EQ(call.last, 6);
        EXPECT_EQ(call.thread, std::this_thread::get_id());
    }
    EXPECT_EQ(progressLog.calls.back().done, 5);
}

TEST_F(ExportTest, MissingFoldersAreCreated) {
    openNumbered(1);
    EXPECT_EQ(exportImages(QUIREL_BMP, 20, 1, 1, "a/b/c/"), 1);
    EXPECT_EQ(FileNames(path("a/b/c")), std::vector<std::string>{"0001.bmp"});
}

TEST_F(ExportTest, FolderThatCannotBeCreatedGivesNegativeResult) {
    openNumbered(2);
    std::ofstream(path("plainfile")) << "x";
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, 1, 2, "plainfile/out"), QUIREL_FOLDER_ERROR);
    EXPECT_EQ(ExportTIF(handle_, path("plainfile/out").c_str(), "", 72, 72, 1, 2, nullptr, 1, 0),
              QUIREL_FOLDER_ERROR);
    EXPECT_TRUE(progressLog.calls.empty());
    std::ifstream in(path("plainfile"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "x");
}

TEST_F(ExportTest, PageFileNameTakenByAFolderGivesWriteError) {
    openNumbered(1);
    std::filesystem::create_directories(path("out/0001.png/inside"));
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, 1, 1), QUIREL_WRITE_ERROR);
    EXPECT_TRUE(std::filesystem::exists(path("out/0001.png/inside")));
}

// A square page of size points, marked with a bar as long as its number says.
TestPage MarkedSquare(int n, float size) {
    TestPage page;
    page.width = page.height = size;
    page.content = TopLeftMark(page, 40.0f * n);
    return page;
}

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ExportTest, FailedWriteLeavesAnOlderPageFileOfTheSameNameIntact) {
    openNumbered(1);
    std::filesystem::create_directories(path("out"));
    std::ofstream(path("out/0001.bmp"), std::ios::binary) << "an older page";
    {
        const FileSizeLimit nearlyFull(4096);  // the page takes 1.5 MB
        EXPECT_EQ(exportImages(QUIREL_BMP, 72, 1, 1), QUIREL_WRITE_ERROR);
    }
    EXPECT_TRUE(Contents(path("out/0001.bmp")) == "an older page");
    EXPECT_EQ(FileNames(path("out")), std::vector<std::string>{"0001.bmp"});
    EXPECT_EQ(DoneCounts(), std::vector<int32_t>{1});
}

TEST_F(ExportTest, WriteErrorStopsTheExportButCountsEveryFileWrittenAndReportsEveryPage) {
    // Page 2 is too large for the space left. Whether page 3 is still written depends on
    // which worker took it before page 2 failed; either way the result counts exactly the
    // files the export left, and no temporary file stays.
    open({MarkedSquare(1, 200), MarkedSquare(2, 800),
          MarkedSquare(3, 200)});  // BMP files of 120 KB and 1.9 MB
    int32_t written;
    {
        const FileSizeLimit nearlyFull(1 << 20);
        written = exportImages(QUIREL_BMP, 72, 1, 3);
    }
    const std::vector<std::string> files = FileNames(path("out"));
    EXPECT_EQ(written, int32_t(files.size()));
    ASSERT_GE(written, 1);
    EXPECT_EQ(files.front(), "0001.bmp");
    EXPECT_EQ(pageShownBy("0001.bmp"), 1);
    for (const std::string& file : files) EXPECT_TRUE(file == "0001.bmp" || file == "0003.bmp");
    EXPECT_EQ(DoneCounts(), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(ExportTest, FullDiskIsReportedWithTheSystemsReasonAndOnlyWholePagesStay) {
    open({MarkedSquare(1, 100), MarkedSquare(2, 1000),
          MarkedSquare(3, 100)});  // BMP files of 30 KB and 3 MB
    std::filesystem::create_directories(path("disk"));
    const testing_support::SmallDiskRun run =
        testing_support::OnSmallDisk(path("disk").string(), 1 << 20, [&] {
            const int32_t result = exportImages(QUIREL_BMP, 72, 1, 3, "disk");
            QuirelExportReport report{};
            QuirelLastExport(&report);
            std::string files;
            for (const std::string& file : FileNames(path("disk"))) files += " " + file;
            return std::to_string(result) + " " + std::to_string(report.pages) + " " +
                   std::to_string(report.written) + " " + std::to_string(report.failure) + " " +
                   std::to_string(report.systemError) + files;
        });
    if (!run.ran) GTEST_SKIP() << "no disk of its own: " << run.output;
    // Page 3 may or may not be written, depending on whether a worker took it before page 2
    // failed; never page 2, and never a temporary file.
    const std::string writtenOne =
        "1 3 1 " + std::to_string(QUIREL_WRITE_ERROR) + " " + std::to_string(ENOSPC) + " 0001.bmp";
    const std::string writtenTwo = "2 3 2 " + std::to_string(QUIREL_WRITE_ERROR) + " " +
                                   std::to_string(ENOSPC) + " 0001.bmp 0003.bmp";
    EXPECT_TRUE(run.output == writtenOne || run.output == writtenTwo) << run.output;

    // A whole export leaves a report without failure.
    EXPECT_EQ(exportImages(QUIREL_BMP, 72, 1, 1, "whole"), 1);
    QuirelExportReport report{};
    QuirelLastExport(&report);
    EXPECT_EQ(report.pages, 1);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.failure, 0);
    EXPECT_EQ(report.systemError, 0);
}

TEST_F(ExportTest, NoFileOfAnyFormatStaysBehindWhenNothingCanBeWritten) {
    openNumbered(1);
    const FileSizeLimit noSpace(0);
    for (const int32_t format : {QUIREL_BMP, QUIREL_JPEG, QUIREL_PNG, QUIREL_GIF}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(exportImages(format, 20, 1, 1, "img"), QUIREL_WRITE_ERROR);
    }
    EXPECT_EQ(ExportTIF(handle_, path("tif").c_str(), "", 20, 20, 1, 1, nullptr, 1, 0),
              QUIREL_WRITE_ERROR);
    EXPECT_TRUE(FileNames(path("img")).empty());
    EXPECT_TRUE(FileNames(path("tif")).empty());
}

TEST_F(ExportTest, FailedPageLeavesAGapInTheNumbersAndProgressStillReachesTheTotal) {
    // The middle page is far wider than JPEG allows at 400 DPI; the others are small.
    auto small = [](int n) {
        TestPage page;
        page.width = page.height = 150;
        page.content = TopLeftMark(page, 40.0f * n);
        return page;
    };
    TestPage wide;
    wide.width = 14400, wide.height = 150;
    open({small(1), wide, small(3), wide});
    auto pageShownAt400Dpi = [&](const std::string& file) {
        return (Decode(path("out") / file).darkRunFromLeft(10) * 72 / 400 + 20) / 40;
    };

    EXPECT_EQ(exportImages(QUIREL_JPEG, 400, 1, 4), 2);
    EXPECT_EQ(FileNames(path("out")), (std::vector<std::string>{"0001.jpg", "0003.jpg"}));
    EXPECT_EQ(pageShownAt400Dpi("0001.jpg"), 1);
    EXPECT_EQ(pageShownAt400Dpi("0003.jpg"), 3);
    EXPECT_EQ(DoneCounts(), (std::vector<int32_t>{1, 2, 3, 4}));
    for (const auto& call : progressLog.calls) EXPECT_EQ(call.last, 4);

    // Nothing written: the page's error, and still one progress call per page.
    progressLog.calls.clear();
    EXPECT_EQ(exportImages(QUIREL_JPEG, 400, 4, 4, "none"), QUIREL_PAGE_TOO_LARGE);
    EXPECT_TRUE(FileNames(path("none")).empty());
    EXPECT_EQ(DoneCounts(), std::vector<int32_t>{1});
}

TEST_F(ExportTest, BadArgumentsAndUnknownHandlesWriteNothing) {
    openNumbered(1);
    EXPECT_EQ(ExportIMG(987654, path("out").c_str(), "", QUIREL_PNG, 72, 24, 1, 1, nullptr),
              QUIREL_UNKNOWN_HANDLE);
    EXPECT_EQ(ExportTIF(-1, path("out").c_str(), "", 72, 72, 1, 1, nullptr, 1, 0),
              QUIREL_UNKNOWN_HANDLE);
    EXPECT_EQ(exportImages(3, 72, 1, 1), QUIREL_BAD_ARGUMENT);
    EXPECT_EQ(exportImages(QUIREL_PNG, 0, 1, 1), QUIREL_BAD_ARGUMENT);
    EXPECT_EQ(ExportIMG(handle_, nullptr, "", QUIREL_PNG, 72, 24, 1, 1, nullptr),
              QUIREL_BAD_ARGUMENT);
    EXPECT_EQ(ExportIMG(handle_, "", "", QUIREL_PNG, 72, 24, 1, 1, nullptr), QUIREL_BAD_ARGUMENT);
    EXPECT_FALSE(std::filesystem::exists(path("out")));
}

TEST_F(ExportTest, ResolutionsBeyondWhatTheFileHeadersRecordAreRefused) {
    // A point-sized page stays small at any resolution, so only the header fields limit it.
    TestPage dot;
    dot.width = dot.height = 1;
    open({dot});
    for (const int32_t format : {QUIREL_BMP, QUIREL_JPEG, QUIREL_PNG, QUIREL_GIF}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(exportImages(format, 110000, 1, 1), QUIREL_BAD_ARGUMENT);
        EXPECT_EQ(exportImages(format, 65536, 1, 1), QUIREL_BAD_ARGUMENT);
    }
    EXPECT_EQ(ExportTIF(handle_, path("out").c_str(), "", 72, 65536, 1, 1, nullptr, 1, 0),
              QUIREL_BAD_ARGUMENT);
    EXPECT_FALSE(std::filesystem::exists(path("out")));
    ASSERT_EQ(exportImages(QUIREL_PNG, 65535, 1, 1), 1);
    EXPECT_EQ(Decode(path("out/0001.png")).width, 910);
}

TEST_F(ExportTest, PageBeyondTheFormatLimitIsRefused) {
    TestPage huge;
    huge.width = huge.height = 14400;  // 200 inches: 80000 pixels at 400 DPI
    open({huge});
    EXPECT_EQ(exportImages(QUIREL_GIF, 400, 1, 1), QUIREL_PAGE_TOO_LARGE);
    EXPECT_EQ(exportImages(QUIREL_JPEG, 400, 1, 1), QUIREL_PAGE_TOO_LARGE);
    EXPECT_EQ(exportImages(QUIREL_BMP, 300, 1, 1), QUIREL_PAGE_TOO_LARGE);   // over 4 GB
    EXPECT_EQ(exportImages(QUIREL_PNG, 1000, 1, 1), QUIREL_PAGE_TOO_LARGE);  // 40000 Mpixels
    EXPECT_TRUE(FileNames(path("out")).empty());
}

TEST_F(ExportTest, ClosedHandleCannotExport) {
    openNumbered(1);
    ClosePDF(handle_);
    EXPECT_EQ(exportImages(QUIREL_PNG, 72, 1, 1), QUIREL_UNKNOWN_HANDLE);
}

}  // namespace

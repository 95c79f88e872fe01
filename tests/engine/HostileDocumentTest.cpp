// Documents made to hang, swell or chatter. Each export ends by itself, prints nothing and
// reports the page that fails as a render error, with the other pages written.
#include <FreeImage.h>
#include <sys/resource.h>

#include <random>
#include <thread>

#include "EngineFixture.h"
#include "Quirel.h"
#include "TestDocuments.h"

using namespace enginetest;

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

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class HostileDocumentTest : public EngineFixture {
  protected:
    void TearDown() override {
        ClosePDF(handle_);
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

}  // namespace

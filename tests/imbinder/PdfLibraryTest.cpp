// The binding of the PDF writer: the real library loaded by name from the program folder.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "PageFile.h"
#include "PdfLibrary.h"
#include "PdfReadBack.h"
#include "RecognizedPage.h"
#include "platform/Platform.h"
#include "tests/support/ChineseCodePage.h"
#include "tests/support/DiskLimits.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/TempDrive.h"

namespace {

using imbinder::PdfLibrary;

int gProgramEnds = 0;
void RecordProgramEnd() { ++gProgramEnds; }

class PdfLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gProgramEnds = 0;
        imbinder::SetProgramEnd(&RecordProgramEnd);
        platform::CreateFolder("c:\\tmp");
        platform::CreateFolder("c:\\jpgtmp");
    }
    void TearDown() override { imbinder::SetProgramEnd(nullptr); }

    testing_support::TempCDrive drive_;
    testing_support::FakeDesktop desktop_;
    PdfLibrary pdf_;
};

// The build's sequence of calls, through Windows-form paths.
TEST_F(PdfLibraryTest, WritesAPageThroughWindowsPaths) {
    QImage image(376, 188, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(QString::fromStdString(platform::ToHostPath("c:\\tmp\\tmp.bmp"))));

    EXPECT_EQ(imbinder::WritePdfPage(
                  pdf_, 0, {"c:\\jpgtmp\\0.pdf", "c:\\tmp\\tmp.bmp", {1000, 500}, 75, {}}),
              "");

    const auto contents = readback::ReadPdf(platform::ToHostPath("c:\\jpgtmp\\0.pdf"));
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->pages.size(), 1u);
    EXPECT_NEAR(contents->pages[0].width, 1000 * 72.0 / 254, 0.01);
    EXPECT_EQ(contents->info.at("Producer"), "Imbinder");
    EXPECT_TRUE(desktop_.messages().empty());
    EXPECT_EQ(gProgramEnds, 0);
}

// The text layer's recognition file goes to the library as a host path; a layer the writer
// refuses, when it is laid or when the page is written, leaves the page whole without it.
TEST_F(PdfLibraryTest, LaysTheTextOrWritesThePageWithoutIt) {
    QImage image(376, 188, QImage::Format_RGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(image.save(QString::fromStdString(platform::ToHostPath("c:\\tmp\\tmp.bmp"))));
    const recognition::RecognizedPage page{376, 188, {{20, 100, 200, 100, 30, "采购申请 order"}}};
    ASSERT_TRUE(
        platform::WriteWholeFile("c:\\tmp\\页.txt", recognition::FormatRecognizedPage(page)));
    ASSERT_TRUE(platform::WriteWholeFile("c:\\tmp\\cut.txt", "recognized 1 376 188\n1 2"));
    const auto write = [&](const char* pageFile, const char* recognition) {
        return imbinder::WritePdfPage(pdf_, 0,
                                      {pageFile, "c:\\tmp\\tmp.bmp", {1000, 500}, 75, recognition});
    };
    const auto text = [](const char* pageFile) {
        return readback::RunReader("pdftotext", {platform::ToHostPath(pageFile), "-"}).output;
    };

    EXPECT_EQ(write("c:\\jpgtmp\\0.pdf", "c:\\tmp\\页.txt"), "");
    EXPECT_NE(text("c:\\jpgtmp\\0.pdf").find("采购申请 order"), std::string::npos);

    EXPECT_NE(write("c:\\jpgtmp\\1.pdf", "c:\\tmp\\cut.txt").find("识别文件"), std::string::npos);
    ASSERT_TRUE(readback::ReadPdf(platform::ToHostPath("c:\\jpgtmp\\1.pdf")));
    const uintmax_t plainBytes =
        std::filesystem::file_size(platform::ToHostPath("c:\\jpgtmp\\1.pdf"));

    {
        // Room for the plain page, not for its layer and font.
        const testing_support::FileSizeLimit nearlyFull(plainBytes + 200);
        EXPECT_NE(write("c:\\jpgtmp\\2.pdf", "c:\\tmp\\页.txt").find("文件超过了允许的大小"),
                  std::string::npos);
    }
    EXPECT_TRUE(readback::ReadPdf(platform::ToHostPath("c:\\jpgtmp\\2.pdf")));
    EXPECT_EQ(text("c:\\jpgtmp\\2.pdf").find("order"), std::string::npos);
    EXPECT_TRUE(desktop_.messages().empty());
    EXPECT_EQ(gProgramEnds, 0);
}

// The library's texts reach the user in the system code page of the target systems.
TEST_F(PdfLibraryTest, FailureShowsTheLibraryTextAndEndsTheProgram) {
    const testing_support::ChineseCodePage gbk;
    ASSERT_TRUE(gbk.active());
    const std::optional<int32_t> box = pdf_.CreateBox(0, 0);
    ASSERT_TRUE(box);
    EXPECT_TRUE(imbinder::SetStrPropChecked(pdf_, *box, 10, "c:\\jpgtmp\\0.pdf"));
    EXPECT_TRUE(imbinder::SetNumPropChecked(pdf_, *box, 36, 1000));
    EXPECT_TRUE(imbinder::SetNumPropChecked(pdf_, *box, 34, 1000));
    EXPECT_TRUE(imbinder::CheckPdfResult(pdf_, pdf_.BeginDoc(*box)));

    EXPECT_FALSE(imbinder::CheckPdfResult(
        pdf_, pdf_.StretchDrawFromFile(*box, 0, 0, 1000, 1000, "c:\\tmp\\missing.bmp")));

    ASSERT_EQ(desktop_.messages().size(), 1u);
    const auto& message = desktop_.messages()[0];
    EXPECT_EQ(message.title, "PDF");
    EXPECT_EQ(message.icon, platform::MessageIcon::Critical);
    EXPECT_EQ(message.text,
              "图片文件 " + platform::ToHostPath("c:\\tmp\\missing.bmp") + " 不存在。");
    EXPECT_EQ(gProgramEnds, 1);
    pdf_.FreeBox(*box);
}

TEST_F(PdfLibraryTest, CheckedSettersEndTheProgramOnARefusedProperty) {
    const std::optional<int32_t> box = pdf_.CreateBox(0, 0);
    ASSERT_TRUE(box);
    EXPECT_FALSE(imbinder::SetNumPropChecked(pdf_, *box, 10, 1));
    EXPECT_EQ(gProgramEnds, 1);
    pdf_.FreeBox(*box);
    EXPECT_FALSE(imbinder::SetStrPropChecked(pdf_, *box, 14, "x")) << "the box is gone";
    EXPECT_EQ(gProgramEnds, 2);
}

TEST_F(PdfLibraryTest, OnlyMinusOneIsAFailure) {
    EXPECT_TRUE(imbinder::CheckPdfResult(pdf_, 0));
    EXPECT_TRUE(imbinder::CheckPdfResult(pdf_, 7));
    EXPECT_TRUE(imbinder::CheckPdfResult(pdf_, -2));
    EXPECT_TRUE(imbinder::CheckPdfResult(pdf_, std::nullopt));
    EXPECT_TRUE(desktop_.messages().empty());
    EXPECT_EQ(gProgramEnds, 0);
}

TEST_F(PdfLibraryTest, MissingLibraryMakesNoCallAndShowsNothing) {
    PdfLibrary missing("pdfmissing.dll");
    EXPECT_FALSE(missing.CreateBox(0, 0));
    EXPECT_FALSE(missing.SetNumProp(1, 36, 100));
    EXPECT_FALSE(missing.SetStrProp(1, 10, "c:\\jpgtmp\\0.pdf"));
    EXPECT_FALSE(missing.BeginDoc(1));
    EXPECT_FALSE(missing.StretchDrawFromFile(1, 0, 0, 1, 1, "c:\\tmp\\tmp.bmp"));
    EXPECT_FALSE(missing.DrawTextLayerFromFile(1, 0, 0, 1, 1, "c:\\tmp\\tmp.txt"));
    EXPECT_FALSE(missing.EndDoc(1));
    missing.FreeBox(1);
    EXPECT_TRUE(imbinder::SetNumPropChecked(missing, 1, 36, 100));
    EXPECT_TRUE(imbinder::CheckPdfResult(missing, missing.EndDoc(1)));
    EXPECT_TRUE(desktop_.messages().empty());
    EXPECT_EQ(gProgramEnds, 0);
    EXPECT_FALSE(platform::PathExists("c:\\jpgtmp\\0.pdf"));
}

}  // namespace

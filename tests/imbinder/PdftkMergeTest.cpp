// The merge with the real pdftk: page files written by the real PDF writer, chained in the
// build's order, given the document information, and read back with qpdf.
#include <gtest/gtest.h>

#include <QImage>
#include <QtGlobal>
#include <vector>

#include "DOSOutputs.h"
#include "InfoFile.h"
#include "PdfLibrary.h"
#include "PdfReadBack.h"
#include "PdftkMerge.h"
#include "platform/Platform.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/TempDrive.h"

namespace {

constexpr double kPointsPerUnit = 72.0 / 254.0;

// Page i is 400 + 100 * i units wide, so the order of the merged pages shows in their widths.
int32_t PageWidth(int i) { return 400 + 100 * i; }

class PdftkMergeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::CreateFolder("c:\\tmp");
        platform::CreateFolder("c:\\jpgtmp");
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkRed);
        ASSERT_TRUE(image.save(QString::fromStdString(platform::ToHostPath("c:\\tmp\\tmp.bmp"))));
    }

    void WritePageFiles(int n) {
        for (int i = 0; i < n; ++i) {
            const std::optional<int32_t> box = pdf_.CreateBox(0, 0);
            ASSERT_TRUE(box);
            ASSERT_EQ(pdf_.SetStrProp(*box, 10, imbinder::PageFilePath(i)), 0);
            ASSERT_EQ(pdf_.SetNumProp(*box, 36, PageWidth(i)), 0);
            ASSERT_EQ(pdf_.SetNumProp(*box, 34, 300), 0);
            ASSERT_EQ(pdf_.BeginDoc(*box), 0);
            ASSERT_EQ(pdf_.StretchDrawFromFile(*box, 0, 0, PageWidth(i), 300, "c:\\tmp\\tmp.bmp"),
                      0);
            ASSERT_EQ(pdf_.EndDoc(*box), 0);
            pdf_.FreeBox(*box);
        }
    }

    // The merge stage of a build of n images; returns the percentages it reported.
    std::vector<int> Merge(int n) {
        std::vector<int> steps;
        imbinder::ChainPageFiles(runner_, n, {}, [&](int percent) { steps.push_back(percent); });
        imbinder::ApplyDocumentInfo(runner_, n, {});
        return steps;
    }

    void ExpectPagesInOrder(int n) {
        const auto merged = readback::ReadPdf(platform::ToHostPath(imbinder::kMergedFilePath));
        ASSERT_TRUE(merged);
        ASSERT_EQ(merged->pages.size(), static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(merged->pages[i].width, PageWidth(i) * kPointsPerUnit, 0.01) << i;
        }
    }

    testing_support::TempCDrive drive_;
    testing_support::FakeDesktop desktop_;
    imbinder::PdfLibrary pdf_;
    imbinder::DOSOutputs runner_;
};

TEST_F(PdftkMergeTest, CommandLinesAreTheToolsOwn) {
    const std::string pdftk = platform::ProgramFolder() + "\\pdftk.exe";
    EXPECT_EQ(imbinder::ConcatenationCommandLine(1),
              pdftk + " c:\\tmp\\tmp1.pdf c:\\jpgtmp\\1.pdf cat output c:\\tmp\\tmp2.pdf dont_ask");
    EXPECT_EQ(
        imbinder::ConcatenationCommandLine(12),
        pdftk + " c:\\tmp\\tmp12.pdf c:\\jpgtmp\\12.pdf cat output c:\\tmp\\tmp13.pdf dont_ask");
    EXPECT_EQ(imbinder::InformationCommandLine(3),
              pdftk +
                  " c:\\tmp\\tmp3.pdf update_info c:\\tmp\\info.txt output c:\\tmp\\tmpx.pdf "
                  "dont_ask");
}

TEST(ProgressPercentTest, IsTheExactIntegerPartOfTheShareDone) {
    EXPECT_EQ(imbinder::ProgressPercent(1, 4), 33);
    EXPECT_EQ(imbinder::ProgressPercent(2, 4), 66);
    EXPECT_EQ(imbinder::ProgressPercent(29, 51), 58) << "0.58 * 100 in floating point is 57.99...";
    EXPECT_EQ(imbinder::ProgressPercent(50, 51), 100);
}

TEST_F(PdftkMergeTest, OnePageNeedsNoConcatenation) {
    WritePageFiles(1);
    ASSERT_TRUE(imbinder::WriteInfoFile(imbinder::kInfoFilePath, {"One", "", "", "", ""}));
    EXPECT_TRUE(Merge(1).empty());
    EXPECT_EQ(imbinder::WatchProcessName, "pdftk.exe");
    EXPECT_TRUE(platform::PathExists(imbinder::ChainFilePath(1)));
    ExpectPagesInOrder(1);
}

TEST_F(PdftkMergeTest, TwoPagesChainOnceAndKeepOnlyTheLastChainFile) {
    WritePageFiles(2);
    ASSERT_TRUE(imbinder::WriteInfoFile(imbinder::kInfoFilePath, {"Two", "", "", "", ""}));
    EXPECT_EQ(Merge(2), std::vector<int>{100});
    EXPECT_FALSE(platform::PathExists(imbinder::ChainFilePath(1)));
    EXPECT_TRUE(platform::PathExists(imbinder::ChainFilePath(2)));
    ExpectPagesInOrder(2);
}

TEST_F(PdftkMergeTest, ThreePagesInOrderWithTheDocumentInformationUnderAnyLocale) {
    WritePageFiles(3);
    const imbinder::DocumentInfo info{"新PDF文件", "王 & Ann", "D:20261207213000-06'00",
                                      "<Subject>", ""};
    ASSERT_TRUE(imbinder::WriteInfoFile(imbinder::kInfoFilePath, info));
    const QByteArray locale = qgetenv("LC_ALL");
    qputenv("LC_ALL", "C");  // pdftk reads the file without a UTF-8 locale
    const std::vector<int> steps = Merge(3);
    qputenv("LC_ALL", locale);

    EXPECT_EQ(steps, (std::vector<int>{50, 100}));
    EXPECT_FALSE(platform::PathExists(imbinder::ChainFilePath(1)));
    EXPECT_FALSE(platform::PathExists(imbinder::ChainFilePath(2)));
    ExpectPagesInOrder(3);
    const auto merged = readback::ReadPdf(platform::ToHostPath(imbinder::kMergedFilePath));
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->info.at("Title"), "新PDF文件");
    EXPECT_EQ(merged->info.at("Author"), "王 & Ann");
    EXPECT_EQ(merged->info.at("CreationDate"), "D:20261207213000-06'00");
    EXPECT_EQ(merged->info.at("Subject"), "<Subject>");
    EXPECT_EQ(merged->info.at("Creator"), "Imbinder");
    EXPECT_EQ(merged->info.at("Producer"), "Imbinder");
    EXPECT_TRUE(desktop_.messages().empty());
    EXPECT_EQ(runner_.FailedStarts(), 0);
}

TEST_F(PdftkMergeTest, MissingPdftkIsReportedOnceForTheWholeMerge) {
    WritePageFiles(3);
    // Neither the program folder (which holds the pdftk launcher) nor the search path has it.
    const std::string noTools = drive_.root().MakeFolder("no-tools");
    platform::SetProgramFolder(noTools);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(noTools));
    runner_.ResetFailedStarts();
    const std::vector<int> steps = Merge(3);
    qputenv("PATH", path);
    platform::SetProgramFolder(PROGRAM_FOLDER);

    EXPECT_EQ(steps, (std::vector<int>{50, 100})) << "the merge goes on, as every step does";
    EXPECT_EQ(runner_.FailedStarts(), 3);
    ASSERT_EQ(desktop_.messages().size(), 1u);
    EXPECT_EQ(desktop_.messages()[0].text, "File or command not found");
    EXPECT_FALSE(platform::PathExists(imbinder::kMergedFilePath));
}

}  // namespace

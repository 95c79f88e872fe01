// The text recognizer imocr through its guarded runs, on pages drawn from known text, and the
// rule that spaces the text of its lines.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "RecognizedPage.h"
#include "ocr/GuardedRecognizer.h"
#include "ocr/LineText.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"
#include "tests/support/TextPages.h"

namespace ocr {
namespace {

const std::string kHelper = std::string(PROGRAM_FOLDER) + "/imocr";

TEST(LineText, ChineseRunsTogetherAndTheRecognizersOtherSpacesStayOneEach) {
    EXPECT_EQ(LineText("提交 采购申请， "), "提交采购申请，");
    EXPECT_EQ(LineText("Please  submit\n"), "Please submit");
    EXPECT_EQ(LineText("代表 Anna Wang、我方"), "代表 Anna Wang、我方");
    EXPECT_EQ(LineText("于4月8日 至 2024 年"), "于4月8日至 2024 年");
    EXPECT_EQ(LineText(" \t "), "");
    EXPECT_EQ(LineText("\xE6\x8F x"), "\xE6\x8F x") << "a broken character is kept apart";
    EXPECT_TRUE(IsWrittenWithoutSpaces(U'，'));
    EXPECT_FALSE(IsWrittenWithoutSpaces(U'A'));
}

class Recognition : public ::testing::Test {
  protected:
    // A page of known lines turned by degrees, as the BMP the build hands over.
    std::string DrawPage(const std::string& name, int degrees,
                         const std::vector<std::string>& lines) {
        const std::string path = folder.host() + "/" + name + ".bmp";
        EXPECT_TRUE(
            testing_support::TextPage(lines, degrees).save(QString::fromStdString(path), "BMP"));
        return path;
    }

    struct Read {
        RecognitionResult result;
        recognition::RecognizedPage page;
        std::string text;  // every line, one after the other
    };

    Read Recognize(const std::string& bitmap, RecognitionLimits limits = {}) {
        const QImage image(QString::fromStdString(bitmap));
        const std::string lines = bitmap + ".lines";
        Read read;
        read.result = GuardedRecognizer(kHelper, limits)
                          .Start(bitmap, image.width(), image.height(), lines)
                          ->Finish();
        std::ifstream file(lines, std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        recognition::ParsedRecognizedPage parsed = recognition::ParseRecognizedPage(bytes.str());
        read.page = parsed.page;
        for (const recognition::RecognizedLine& line : read.page.lines)
            read.text += line.text + "\n";
        return read;
    }

    testing_support::TempFolder folder;
    const std::vector<std::string>& notice = testing_support::kNotice;
};

TEST_F(Recognition, ReadsChineseAndEnglishOfUprightAndTurnedPagesAlongTheirLines) {
    for (const int degrees : {0, 90, 180}) {
        SCOPED_TRACE(degrees);
        const Read read = Recognize(DrawPage("notice" + std::to_string(degrees), degrees, notice));
        EXPECT_EQ(read.result.error, "");
        EXPECT_NE(read.text.find("提交采购申请"), std::string::npos) << read.text;
        EXPECT_NE(read.text.find("purchase request"), std::string::npos) << read.text;
        ASSERT_FALSE(read.page.lines.empty());
        const recognition::RecognizedLine& line = read.page.lines.front();
        const double dx = line.x2 - line.x1, dy = line.y2 - line.y1;
        // Reading runs right on the upright page, down the page turned a quarter clockwise,
        // left on the page upside down.
        const double along = degrees == 0 ? dx : degrees == 90 ? dy : -dx;
        const double across = degrees == 90 ? dx : dy;
        EXPECT_GT(along, 10 * std::abs(across)) << dx << ", " << dy;
    }
}

TEST_F(Recognition, APictureWithoutTextGivesNoLinesAndNoFault) {
    const Read read = Recognize(DrawPage("blank", 0, {}));
    EXPECT_EQ(read.result.error, "");
    EXPECT_TRUE(read.page.lines.empty());
    EXPECT_EQ(read.page.width, 1240);
}

TEST_F(Recognition, AHelperOverItsTimeOrGivenNoPictureEndsWithItsReason) {
    RecognitionLimits hurried;
    hurried.baseTime = std::chrono::milliseconds(1);
    hurried.timePerMillionPixels = std::chrono::milliseconds(0);
    EXPECT_EQ(Recognize(DrawPage("slow", 0, notice), hurried).result.error,
              "文字识别没有在 1 秒内结束");
    // A header that claims 60000 x 60000 pixels over a few bytes.
    std::string bomb("BM", 2);
    bomb.resize(54, '\0');
    bomb[10] = 54, bomb[14] = 40, bomb[26] = 1, bomb[28] = 24;
    for (const int at : {18, 22}) bomb[at] = char(0x60), bomb[at + 1] = char(0xEA);
    const std::string path = folder.WriteFile("bomb.bmp", bomb);
    const RecognitionResult result =
        GuardedRecognizer(kHelper).Start(path, 60000, 60000, path + ".lines")->Finish();
    EXPECT_TRUE(result.fault == RecognitionFault::Unreadable ||
                result.fault == RecognitionFault::Crashed)
        << result.error;
}

TEST(RecognizerCheck, MissingLanguageDataIsNamedWithThePackagesToInstall) {
    EXPECT_EQ(GuardedRecognizer(kHelper).Check().error, "");
    testing_support::TempFolder empty;
    setenv("TESSDATA_PREFIX", empty.host().c_str(), 1);
    const RecognitionResult missing = GuardedRecognizer(kHelper).Check();
    unsetenv("TESSDATA_PREFIX");
    EXPECT_EQ(missing.fault, RecognitionFault::NoLanguageData);
    EXPECT_NE(missing.error.find("tesseract-ocr-chi-sim"), std::string::npos);
}

}  // namespace
}  // namespace ocr

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "libs/Quirel/Quirel.h"
#include "pagelift/Conversion.h"
#include "pagelift/Settings.h"

namespace pagelift {
namespace {

TEST(PageRange, StartBeyondTheCountTakesTheLastPageAndTheEndWordMeansTheCount) {
    PageRange range = ComputePageRange("10", "最后一页", 5);
    EXPECT_EQ(range.first, 5);
    EXPECT_EQ(range.last, 5);
}

TEST(PageRange, EndBeyondTheCountIsTheCountAndEmptyTextsGiveZero) {
    EXPECT_EQ(ComputePageRange("2", "9", 5).last, 5);
    PageRange empty = ComputePageRange("", "", 5);
    EXPECT_EQ(empty.first, 0);
    EXPECT_EQ(empty.last, 0);
    EXPECT_EQ(ComputePageRange("0", "3", 5).first, 0);  // never raised to 1
    EXPECT_EQ(ComputePageRange("2", "3", 5).last, 3);
}

TEST(PageRange, HugeValuesStayWithinTheEnginesRange) {
    EXPECT_EQ(ComputePageRange("99999999999999999999", "99999999999999999999", 7).first, 7);
    EXPECT_EQ(ComputePageRange("1", "4000000000", 7).last, 7);
}

TEST(Resolution, CheckOfTheConvertButtonAndTheExportValue) {
    EXPECT_EQ(CheckedResolution("5"), "120");
    EXPECT_EQ(CheckedResolution("1500"), "120");
    EXPECT_EQ(CheckedResolution(""), "120");
    EXPECT_EQ(CheckedResolution("10"), "10");
    EXPECT_EQ(CheckedResolution("1000"), "1000");
    EXPECT_EQ(ExportResolution("150"), 150);
    EXPECT_EQ(ExportResolution(""), std::nullopt);
}

TEST(Progress, HalfwayCompleteAndAnEmptyRange) {
    ProgressDisplay half = ComputeProgress(1, 4, 2);
    EXPECT_EQ(half.percent, 50);
    EXPECT_DOUBLE_EQ(half.fillTwips, 2707.5);
    EXPECT_FALSE(half.complete);
    ProgressDisplay full = ComputeProgress(1, 4, 4);
    EXPECT_TRUE(full.complete);
    EXPECT_DOUBLE_EQ(full.fillTwips, 5415);
    EXPECT_EQ(ComputeProgress(3, 2, 1).percent, 0);   // a range of size 0
    EXPECT_EQ(ComputeProgress(1, 8, 1).percent, 12);  // 12.5 to the even neighbour
}

TEST(DocumentFolders, SameBaseNameFromAnotherPathGetsANumberedFolder) {
    DocumentFolders folders;
    EXPECT_EQ(folders.NameFor("C:\\output\\", "C:\\in\\a.old.pdf", "a"), "a");
    EXPECT_EQ(folders.NameFor("C:\\output\\", "Z:\\x\\a.pdf", "a"), "a (2)");
    EXPECT_EQ(folders.NameFor("C:\\output\\", "Z:\\y\\A.pdf", "A"), "A (3)");
    EXPECT_EQ(folders.NameFor("C:\\output\\", "C:\\in\\a.old.pdf", "a"), "a");
    EXPECT_EQ(folders.NameFor("C:\\other\\", "Z:\\x\\a.pdf", "a"), "a");
}

TEST(OutputRoot, GetsOneTrailingBackslash) {
    EXPECT_EQ(OutputRoot("C:\\output"), "C:\\output\\");
    EXPECT_EQ(OutputRoot("C:\\output\\"), "C:\\output\\");
}

TEST(OptionValues, DigitsStayAnythingElseIsReset) {
    EXPECT_EQ(CheckedOptionValue(kResolutionRow, "12a"), "1");
    EXPECT_EQ(CheckedOptionValue(kResolutionRow, "150"), "150");
    EXPECT_EQ(CheckedOptionValue(kEndPageRow, "x"), "最后一页");
    EXPECT_EQ(CheckedOptionValue(kEndPageRow, "7"), "7");
    EXPECT_EQ(CheckedOptionValue(kStartPageRow, "-5"), "1");
    EXPECT_EQ(CheckedOptionValue(kStartPageRow, "1.5"), "1");
    EXPECT_EQ(CheckedOptionValue(kStartPageRow, ""), "");
}

TEST(SetupFile, ValuesAndDamagedFiles) {
    StoredSetup full = ParseSetup({"", "", "", "D:\\pics", "4"});
    EXPECT_EQ(full.outputFolder, "D:\\pics");
    EXPECT_EQ(full.formatIndex, 4);
    StoredSetup threeLines = ParseSetup({"", "", ""});
    EXPECT_FALSE(threeLines.outputFolder);
    EXPECT_FALSE(threeLines.formatIndex);
    EXPECT_EQ(ParseSetup({"", "", "", "C:\\o", "-1"}).formatIndex, -1);
    EXPECT_FALSE(ParseSetup({"", "", "", "C:\\o", "5"}).formatIndex);
    EXPECT_FALSE(ParseSetup({"", "", "", "C:\\o", "x"}).formatIndex);
    EXPECT_EQ(SetupValues("C:\\output", 3),
              (std::vector<std::string>{"", "", "", "C:\\output", "3"}));
}

TEST(SoundOption, FirstValueRounded) {
    EXPECT_EQ(ParseSoundOff({"1"}), 1);
    EXPECT_EQ(ParseSoundOff({"0"}), 0);
    EXPECT_EQ(ParseSoundOff({"abc"}), 0);
    EXPECT_EQ(ParseSoundOff({}), 0);
    EXPECT_EQ(ParseSoundOff({"0.5"}), 0);
    EXPECT_NE(ParseSoundOff({"1e9"}), 0);
}

// The engine's open, scripted: only "right" opens the document, as handle 7.
int32_t OpenWithRightPassword(const std::string& password) {
    return password == "right" ? 7
           : password.empty()  ? QUIREL_NEEDS_PASSWORD
                               : QUIREL_WRONG_PASSWORD;
}

TEST(PasswordPrompts, WrongAnswersAreAskedAgainUntilRightOrCancelled) {
    struct Case {
        std::vector<std::string> answers;
        std::function<int32_t(const std::string&)> open;
        PasswordEnd end;
        int32_t handle;
    };
    const Case cases[] = {
        {{"right"}, OpenWithRightPassword, PasswordEnd::Opened, 7},
        {{"no", "still no", "right"}, OpenWithRightPassword, PasswordEnd::Opened, 7},
        {{"no", ""}, OpenWithRightPassword, PasswordEnd::Cancelled, QUIREL_NEEDS_PASSWORD},
        {{""}, OpenWithRightPassword, PasswordEnd::Cancelled, QUIREL_NEEDS_PASSWORD},
        {{"no", "x"},
         [](const std::string& p) { return p == "x" ? QUIREL_OPEN_FAILED : QUIREL_WRONG_PASSWORD; },
         PasswordEnd::Failed,
         QUIREL_OPEN_FAILED},
    };
    for (const Case& c : cases) {
        std::vector<bool> wrongBefore;
        const PasswordOpen opened = OpenWithPassword(
            [&](bool wrong) {
                wrongBefore.push_back(wrong);
                return c.answers[wrongBefore.size() - 1];
            },
            c.open);
        EXPECT_EQ(opened.end, c.end) << c.answers.size();
        EXPECT_EQ(opened.handle, c.handle) << c.answers.size();
        std::vector<bool> expected(c.answers.size(), true);
        expected[0] = false;
        EXPECT_EQ(wrongBefore, expected) << "asked once per answer, told of a wrong one";
    }
}

}  // namespace
}  // namespace pagelift

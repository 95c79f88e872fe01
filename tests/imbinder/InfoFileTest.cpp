// The information file for pdftk's update_info.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "InfoFile.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace {

using imbinder::InfoValueText;

std::string ReadHostFile(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class InfoFileTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::CreateFolder("c:\\tmp"); }
    testing_support::TempCDrive drive_;
};

TEST_F(InfoFileTest, SevenRecordsInOrderWithCrLfAndTheProductAsCreatorAndProducer) {
    const imbinder::DocumentInfo info{"Report", "Ann", "D:20261207213000-06'00", "Sales", ""};
    ASSERT_TRUE(imbinder::WriteInfoFile(imbinder::kInfoFilePath, info));
    EXPECT_EQ(ReadHostFile(platform::ToHostPath("c:\\tmp\\info.txt")),
              "InfoBegin\r\nInfoKey: Title\r\nInfoValue: Report\r\n"
              "InfoBegin\r\nInfoKey: Author\r\nInfoValue: Ann\r\n"
              "InfoBegin\r\nInfoKey: CreationDate\r\nInfoValue: D:20261207213000-06'00\r\n"
              "InfoBegin\r\nInfoKey: Subject\r\nInfoValue: Sales\r\n"
              "InfoBegin\r\nInfoKey: Keywords\r\nInfoValue: \r\n"
              "InfoBegin\r\nInfoKey: Creator\r\nInfoValue: Imbinder\r\n"
              "InfoBegin\r\nInfoKey: Producer\r\nInfoValue: Imbinder\r\n");
}

TEST_F(InfoFileTest, RewritingTruncatesTheOldFile) {
    const imbinder::DocumentInfo longer{std::string(500, 'x'), "a", "d", "s", "k"};
    ASSERT_TRUE(imbinder::WriteInfoFile(imbinder::kInfoFilePath, longer));
    ASSERT_TRUE(imbinder::WriteInfoFile(imbinder::kInfoFilePath, {"T", "", "", "", ""}));
    const std::string text = ReadHostFile(platform::ToHostPath(imbinder::kInfoFilePath));
    EXPECT_EQ(text.find('x'), std::string::npos);
    EXPECT_EQ(text.rfind("InfoValue: Imbinder\r\n"), text.size() - 21);
}

TEST_F(InfoFileTest, UnwritablePathIsReportedAndNothingIsCreated) {
    drive_.root().WriteFile("tmp/plain", "a file, not a folder");
    EXPECT_FALSE(imbinder::WriteInfoFile("c:\\tmp\\plain\\info.txt", {}));
    EXPECT_EQ(ReadHostFile(platform::ToHostPath("c:\\tmp\\plain")), "a file, not a folder");
}

TEST(InfoValueTextTest, PrintableAsciiStaysAndEverythingElseBecomesAnEntity) {
    EXPECT_EQ(InfoValueText("Plain text 1-2, (ok)! ~"), "Plain text 1-2, (ok)! ~");
    EXPECT_EQ(InfoValueText(""), "");
    EXPECT_EQ(InfoValueText("新PDF文件"), "&#26032;PDF&#25991;&#20214;");
    EXPECT_EQ(InfoValueText("A&B <c>"), "A&#38;B &#60;c&#62;");
    EXPECT_EQ(InfoValueText("&#26032;"), "&#38;#26032;") << "typed entities stay literal";
    EXPECT_EQ(InfoValueText("a\r\nInfoKey: Author"), "a&#13;&#10;InfoKey: Author")
        << "a line break cannot start a record of its own";
    EXPECT_EQ(InfoValueText("\xF0\x9F\x98\x80"), "&#128512;");
    EXPECT_EQ(InfoValueText("é"), "&#233;");
}

TEST(InfoValueTextTest, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(InfoValueText("a\xFF"
                            "b"),
              "a&#65533;b");
    EXPECT_EQ(InfoValueText("\xE6\x96"), "&#65533;&#65533;") << "cut short";
    EXPECT_EQ(InfoValueText("\xC0\xAF"), "&#65533;&#65533;") << "overlong";
    EXPECT_EQ(InfoValueText("\xED\xA0\x80"), "&#65533;&#65533;&#65533;") << "surrogate";
}

}  // namespace

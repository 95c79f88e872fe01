#include <gtest/gtest.h>

#include <fstream>

#include "common/QuotedLineFile.h"
#include "platform/Platform.h"
#include "tests/support/ChineseCodePage.h"
#include "tests/support/TempDrive.h"

using common::ParseQuotedLines;
using V = std::vector<std::string>;

TEST(QuotedLineFile, WritesQuotedValuesWithCrLfInTheSystemCodePage) {
    testing_support::TempCDrive drive;
    testing_support::ChineseCodePage gbk;
    ASSERT_TRUE(gbk.active());
    ASSERT_TRUE(common::WriteQuotedLineFile("C:\\setup.ini", {"C:\\output", "转换"}));
    std::ifstream in(drive.root().host() + "/setup.ini", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, "\"C:\\output\"\r\n\"\xd7\xaa\xbb\xbb\"\r\n");
    EXPECT_EQ(common::ReadQuotedLineFile("C:\\setup.ini").values, (V{"C:\\output", "转换"}));
}

TEST(QuotedLineFile, MissingOrUnwritableFilesAreReported) {
    testing_support::TempCDrive drive;
    EXPECT_FALSE(common::ReadQuotedLineFile("C:\\none.ini").error.empty());
    EXPECT_FALSE(common::WriteQuotedLineFile("C:\\no\\such\\folder\\x.ini", {"a"}));
}

TEST(QuotedLineFile, ReaderTakesQuotedTextAndUnquotedValuesUpToACommaOrLineEnd) {
    EXPECT_EQ(ParseQuotedLines("\"a, b\"\r\n\"\"\r\n"), (V{"a, b", ""}));
    EXPECT_EQ(ParseQuotedLines("  1 ,2\r\n3\n"), (V{"1", "2", "3"}));
    EXPECT_EQ(ParseQuotedLines("\"x\" trailing\r\n\"y"), (V{"x", "y"}));
    EXPECT_EQ(ParseQuotedLines(""), V{});
}

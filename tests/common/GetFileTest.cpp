#include <gtest/gtest.h>

#include "common/GetFile.h"

using common::GetFileBaseName;
using common::GetFileName;

TEST(GetFile, FileNameIsTheTextAfterTheLastBackslash) {
    EXPECT_EQ(GetFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(GetFileName("b.txt"), "b.txt");
    EXPECT_EQ(GetFileName("C:\\a\\"), "");
    EXPECT_EQ(GetFileName(""), "");
}

TEST(GetFile, BaseNameStopsAtTheFirstDot) {
    EXPECT_EQ(GetFileBaseName("C:\\docs\\report.final.pdf"), "report");
    EXPECT_EQ(GetFileBaseName("C:\\a\\.hidden"), "");
    EXPECT_EQ(GetFileBaseName("C:\\a\\name"), "name");
    EXPECT_EQ(GetFileBaseName("C:\\a.b\\name"), "name");
    EXPECT_EQ(GetFileBaseName(""), "");
}

TEST(GetFile, OneLinePathShowsLineBreaksOfAHostNameAsQuestionMarks) {
    EXPECT_EQ(common::OneLinePath("Z:\\a\nb\r.png"), "Z:\\a?b?.png");
    EXPECT_EQ(common::OneLinePath("C:\\图片\\照片 1.jpg"), "C:\\图片\\照片 1.jpg");
}

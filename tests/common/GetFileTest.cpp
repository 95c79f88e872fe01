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

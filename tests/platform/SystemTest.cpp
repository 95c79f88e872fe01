#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

namespace {

struct CodePageOverride {
    explicit CodePageOverride(const std::string& name) { platform::SetSystemCodePage(name); }
    ~CodePageOverride() { platform::SetSystemCodePage(""); }
};

}  // namespace

TEST(CodePage, ChineseRoundTripsThroughTheChineseCodePage) {
    CodePageOverride gbk("GBK");
    std::string text = "转换完成.";
    std::string bytes = platform::ToSystemCodePage(text);
    EXPECT_EQ(bytes, "\xd7\xaa\xbb\xbb\xcd\xea\xb3\xc9.");
    EXPECT_EQ(platform::FromSystemCodePage(bytes), text);
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
    CodePageOverride latin1("ISO-8859-1");
    EXPECT_EQ(platform::ToSystemCodePage("a转b\xc3\xa9"), "a?b\xe9");
    CodePageOverride gbk("GBK");
    EXPECT_EQ(platform::FromSystemCodePage("ok\xff"), "ok?");
}

TEST(CodePage, Utf8HostKeepsTextAndMendsBrokenBytes) {
    CodePageOverride utf8("UTF-8");
    EXPECT_EQ(platform::ToSystemCodePage("转换"), "转换");
    EXPECT_EQ(platform::FromSystemCodePage("a\xe8\xbd"), "a??");
}

TEST(CodePage, HostCodePageIsKnown) { EXPECT_FALSE(platform::SystemCodePageName().empty()); }

TEST(Libraries, DllNamesMapToHostNames) {
    EXPECT_EQ(platform::HostLibraryFileName("Quirel.dll"), "libQuirel.so");
    EXPECT_EQ(platform::HostLibraryFileName("pdfctl32.DLL"), "libpdfctl32.so");
    EXPECT_EQ(platform::HostLibraryFileName("SkinH"), "libSkinH.so");
}

TEST(Libraries, MissingLibraryOrFunctionFailsCleanly) {
    testing_support::TempCDrive drive;
    EXPECT_FALSE(platform::Library::Load("NoSuchEngine.dll"));
    auto zlib = platform::Library::Load("z.dll");
    ASSERT_TRUE(zlib) << "the loader's search path is used after the program folder";
    EXPECT_NE(zlib->Function("zlibVersion"), nullptr);
    EXPECT_EQ(zlib->Function("NoSuchFunction"), nullptr);
}

#include <gtest/gtest.h>

#include <cwchar>

#include "platform/Platform.h"
#include "tests/support/ChineseCodePage.h"
#include "tests/support/TempDrive.h"

using testing_support::ChineseCodePage;

TEST(CodePage, ChineseRoundTripsThroughTheChineseCodePage) {
    ChineseCodePage gbk;
    ASSERT_TRUE(gbk.active());
    EXPECT_EQ(platform::SystemCodePageName(), "GBK");
    std::string text = "转换完成.";
    std::string bytes = platform::ToSystemCodePage(text);
    EXPECT_EQ(bytes, "\xd7\xaa\xbb\xbb\xcd\xea\xb3\xc9.");
    EXPECT_EQ(platform::FromSystemCodePage(bytes), text);
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
    ChineseCodePage gbk;
    ASSERT_TRUE(gbk.active());
    EXPECT_EQ(platform::ToSystemCodePage("a\U0001F600b转"), "a?b\xd7\xaa");
    EXPECT_EQ(platform::FromSystemCodePage("ok\xff"), "ok?");
}

// The override is the C library's own locale, which every library of the process reads, and
// it ends with its scope.
TEST(CodePage, OverrideSwitchesTheCLibrarysLocaleUntilRestored) {
    const std::string before = platform::SystemCodePageName();
    {
        ChineseCodePage gbk;
        ASSERT_TRUE(gbk.active());
        std::mbstate_t state{};
        wchar_t wide = 0;
        EXPECT_EQ(std::mbrtowc(&wide, "\xc3\xdc", 2, &state), 2u);
        EXPECT_EQ(wide, L'\u5bc6');
    }
    EXPECT_EQ(platform::SystemCodePageName(), before);
    EXPECT_FALSE(platform::SetSystemCodePage("xx_NOWHERE.GBK"));
    EXPECT_EQ(platform::SystemCodePageName(), before);
}

TEST(CodePage, Utf8HostKeepsTextAndMendsBrokenBytes) {
    ASSERT_TRUE(platform::SetSystemCodePage("C.UTF-8"));
    EXPECT_EQ(platform::ToSystemCodePage("转换"), "转换");
    EXPECT_EQ(platform::FromSystemCodePage("a\xe8\xbd"), "a??");
    EXPECT_TRUE(platform::SetSystemCodePage(""));
}

TEST(CodePage, HostCodePageIsKnown) { EXPECT_FALSE(platform::SystemCodePageName().empty()); }

TEST(Libraries, DllNamesMapToHostNames) {
    EXPECT_EQ(platform::HostLibraryFileName("Quirel.dll"), "libQuirel.so");
    EXPECT_EQ(platform::HostLibraryFileName("pdfctl32.DLL"), "libpdfctl32.so");
    EXPECT_EQ(platform::HostLibraryFileName("SkinH"), "libSkinH.so");
}

TEST(Libraries, MissingLibraryOrFunctionFailsCleanly) {
    testing_support::TempCDrive drive;
    platform::LibraryLoad missing = platform::Library::Load("NoSuchEngine.dll");
    EXPECT_FALSE(missing.library);
    EXPECT_FALSE(missing.present);
    EXPECT_NE(missing.error.find("libNoSuchEngine.so"), std::string::npos) << missing.error;
    platform::LibraryLoad zlib = platform::Library::Load("z.dll");
    ASSERT_TRUE(zlib.library) << "the loader's search path is used after the program folder";
    EXPECT_TRUE(zlib.error.empty());
    EXPECT_NE(zlib.library->Function("zlibVersion"), nullptr);
    EXPECT_EQ(zlib.library->Function("NoSuchFunction"), nullptr);
}

TEST(Libraries, LibraryInTheProgramFolderThatCannotLoadGivesTheLoadersReason) {
    testing_support::TempFolder folder;
    const std::string file = folder.WriteFile("libBroken.so", "not a library");
    platform::SetProgramFolder(folder.host());
    platform::LibraryLoad broken = platform::Library::Load("Broken.dll");
    platform::SetProgramFolder(PROGRAM_FOLDER);
    EXPECT_FALSE(broken.library);
    EXPECT_TRUE(broken.present);
    EXPECT_NE(broken.error.find(file), std::string::npos) << broken.error;
}

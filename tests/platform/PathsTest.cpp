#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

using testing_support::TempCDrive;

TEST(Paths, DriveCLiesUnderItsRootAndOtherHostPathsAreDriveZ) {
    TempCDrive drive;
    const std::string root = drive.root().host();
    EXPECT_EQ(platform::ToHostPath("C:\\output\\report"), root + "/output/report");
    EXPECT_EQ(platform::ToHostPath("c:/tmp/a.bmp"), root + "/tmp/a.bmp");
    EXPECT_EQ(platform::ToHostPath("C:\\"), root + "/");
    EXPECT_EQ(platform::ToHostPath("Z:\\home\\ann\\a.pdf"), "/home/ann/a.pdf");
    EXPECT_EQ(platform::ToHostPath("z:\\"), "/");
    EXPECT_EQ(platform::ToWindowsPath(root + "/output/report"), "C:\\output\\report");
    EXPECT_EQ(platform::ToWindowsPath(root), "C:\\");
    EXPECT_EQ(platform::ToWindowsPath("/home/ann/a.pdf"), "Z:\\home\\ann\\a.pdf");
    EXPECT_EQ(platform::ToWindowsPath("/"), "Z:\\");
}

TEST(Paths, TrailingSeparatorIsKeptAndRepeatedOnesCollapse) {
    TempCDrive drive;
    EXPECT_EQ(platform::ToHostPath("C:\\output\\report\\"),
              drive.root().host() + "/output/report/");
    EXPECT_EQ(platform::ToHostPath("C:\\tmp\\\\x.pdf"), drive.root().host() + "/tmp/x.pdf");
    EXPECT_EQ(platform::ToWindowsPath(drive.root().host() + "/output/"), "C:\\output\\");
}

TEST(Paths, DotDotNeverClimbsAboveTheDriveRoot) {
    TempCDrive drive;
    EXPECT_EQ(platform::ToHostPath("C:\\..\\..\\etc\\passwd"), drive.root().host() + "/etc/passwd");
    EXPECT_EQ(platform::ToHostPath("C:\\a\\.\\b\\..\\c"), drive.root().host() + "/a/c");
}

TEST(Paths, RootlessPathsUseDriveCAndUnknownDrivesMapToNothing) {
    TempCDrive drive;
    EXPECT_EQ(platform::ToHostPath("\\tmp\\x"), drive.root().host() + "/tmp/x");
    EXPECT_EQ(platform::ToHostPath("D:\\data"), "");
    EXPECT_EQ(platform::ToHostPath("\\\\server\\share\\a.pdf"), "");
    EXPECT_EQ(platform::ToHostPath("sub\\a.pdf"), "sub/a.pdf");
    EXPECT_FALSE(platform::CreateFolder("D:\\data"));
}

TEST(Paths, EmptyHostPathHasNoWindowsForm) { EXPECT_EQ(platform::ToWindowsPath(""), ""); }

TEST(Paths, HostPathUnderADrivePrefixLookalikeIsDriveZ) {
    TempCDrive drive;
    std::string lookalike = drive.root().host() + "x/file";
    EXPECT_EQ(platform::ToWindowsPath(lookalike).substr(0, 3), "Z:\\");
}

TEST(Paths, ProgramFolderIsTheBuildsInWindowsForm) {
    TempCDrive drive;
    std::string folder = platform::ProgramFolder();
    EXPECT_EQ(folder.substr(0, 3), "Z:\\");
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(platform::ToHostPath(folder), PROGRAM_FOLDER);
}

TEST(Paths, DefaultCDriveRootIsCreatedUnderTheDataHome) {
    testing_support::TempFolder dataHome;
    setenv("XDG_DATA_HOME", dataHome.host().c_str(), 1);
    platform::SetCDriveRoot("");
    std::string root = platform::CDriveRoot();
    unsetenv("XDG_DATA_HOME");
    platform::SetCDriveRoot("");
    EXPECT_EQ(root.rfind(dataHome.host() + "/", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(root));
}

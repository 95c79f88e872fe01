#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/Module1.h"
#include "platform/Platform.h"
#include "tests/support/TempDrive.h"

using common::DeleteFolderTree;
using testing_support::TempCDrive;
namespace fs = std::filesystem;

TEST(DeleteFolderTree, RemovesReadOnlyAndHiddenEntriesAtEveryDepth) {
    TempCDrive drive;
    const auto& root = drive.root();
    for (const char* name : {"tmp/a.bmp", "tmp/.hidden", "tmp/sub/b.pdf", "tmp/sub/deep/.c"}) {
        std::string file = root.WriteFile(name);
        chmod(file.c_str(), 0444);
    }
    chmod((root.host() + "/tmp/sub/deep").c_str(), 0555);
    root.MakeFolder("tmp/.hiddendir/empty");
    DeleteFolderTree("C:\\tmp");
    EXPECT_FALSE(fs::exists(root.host() + "/tmp"));
}

// Root may delete inside any folder, so the removal runs as an ordinary user.
TEST(DeleteFolderTree, ReadOnlyFoldersDoNotProtectTheirContentsFromAnOrdinaryUser) {
    TempCDrive drive;
    const auto& root = drive.root();
    std::string file = root.WriteFile("tmp/sub/a.pdf");
    chmod(file.c_str(), 0444);
    chmod((root.host() + "/tmp/sub").c_str(), 0555);
    chmod((root.host() + "/tmp").c_str(), 0555);
    constexpr uid_t kNobody = 65534;
    if (geteuid() == 0) {
        for (const auto& entry : fs::recursive_directory_iterator(root.host())) {
            ASSERT_EQ(lchown(entry.path().c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(chown(root.host().c_str(), kNobody, kNobody), 0);
    }
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) std::_Exit(2);
            DeleteFolderTree("C:\\tmp");
            std::_Exit(fs::exists(root.host() + "/tmp") ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(DeleteFolderTree, EmptyRelativeOrDriveRootFolderIsRefused) {
    TempCDrive drive;
    const auto& root = drive.root();
    const std::string kept = root.WriteFile("output/result.pdf");
    root.WriteFile("tmp/scratch.bmp");
    for (const char* folder : {"", " ", "C:", "C:\\", "c:/", "\\", "C:\\tmp\\..", "tmp"}) {
        DeleteFolderTree(folder);
        EXPECT_TRUE(fs::exists(kept)) << "after \"" << folder << "\"";
    }
    DeleteFolderTree("Z:" + root.host());
    EXPECT_TRUE(fs::exists(kept)) << "drive C seen through drive Z";
    DeleteFolderTree("C:\\tmp");
    EXPECT_FALSE(fs::exists(root.host() + "/tmp")) << "a scratch folder is still removed";
    EXPECT_TRUE(fs::exists(kept));
}

// The host's own root, and a folder that holds drive C, as drive Z:, tried inside a jail so
// that a fault cannot reach the machine's files.
TEST(DeleteFolderTree, RootOfDriveZAndFoldersHoldingDriveCAreRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "a jail needs the administrator";
    testing_support::TempFolder jail;
    const std::string kept = jail.WriteFile("home/ann/keep.txt");
    EXPECT_EXIT(
        {
            if (chroot(jail.host().c_str()) != 0 || chdir("/") != 0) std::_Exit(2);
            platform::SetCDriveRoot("/home/ann/drive_c");
            DeleteFolderTree("Z:\\");
            DeleteFolderTree("z:/home/..");
            DeleteFolderTree("Z:\\home\\");
            std::_Exit(fs::exists("/home/ann/keep.txt") ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(DeleteFolderTree, MissingFolderIsHarmless) {
    TempCDrive drive;
    DeleteFolderTree("C:\\pagelifttmp");
    EXPECT_FALSE(fs::exists(drive.root().host() + "/pagelifttmp"));
}

TEST(DeleteFolderTree, LinksAreRemovedButNeverFollowed) {
    TempCDrive drive;
    const auto& root = drive.root();
    std::string precious = root.WriteFile("keep/precious.txt", "data");
    root.MakeFolder("tmp");
    fs::create_directory_symlink(root.host() + "/keep", root.host() + "/tmp/inner");
    fs::create_directory_symlink(root.host() + "/keep", root.host() + "/outer");
    DeleteFolderTree("C:\\tmp");
    DeleteFolderTree("C:\\outer\\");
    EXPECT_FALSE(fs::exists(root.host() + "/tmp"));
    EXPECT_FALSE(fs::is_symlink(root.host() + "/outer"));
    EXPECT_TRUE(fs::exists(precious));
}

TEST(DeleteFolderTree, EndsWhenASubfolderCannotBeRemoved) {
    TempCDrive drive;
    const auto& root = drive.root();
    std::string stuck = root.WriteFile("tmp/a/stuck.bin");
    root.WriteFile("tmp/b/gone.bin");
    root.WriteFile("tmp/z/gone.bin");
    root.WriteFile("tmp/top.bin");
    if (!testing_support::SetImmutable(stuck, true)) {
        GTEST_SKIP() << "this file system cannot make a file undeletable";
    }
    DeleteFolderTree("C:\\tmp");
    testing_support::SetImmutable(stuck, false);
    EXPECT_TRUE(fs::exists(stuck));
    EXPECT_FALSE(fs::exists(root.host() + "/tmp/b"));
    EXPECT_FALSE(fs::exists(root.host() + "/tmp/z"));
    EXPECT_FALSE(fs::exists(root.host() + "/tmp/top.bin"));
}

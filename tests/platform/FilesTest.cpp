#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/DiskLimits.h"
#include "tests/support/TempDrive.h"

using testing_support::TempCDrive;

namespace {

std::map<std::string, uint32_t> ListAll(const std::string& folder) {
    std::map<std::string, uint32_t> entries;
    platform::DirectoryListing listing(folder);
    while (auto entry = listing.Next()) entries[entry->name] = entry->attributes;
    return entries;
}

std::string ReadAll(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(Files, ListingGivesDotEntriesAndWindowsAttributeWords) {
    TempCDrive drive;
    const auto& root = drive.root();
    root.WriteFile("docs/a.pdf");
    root.WriteFile("docs/.secret");
    root.MakeFolder("docs/sub");
    std::string locked = root.WriteFile("docs/locked.txt");
    chmod(locked.c_str(), 0444);
    std::filesystem::create_symlink("/etc", root.host() + "/docs/link");

    auto entries = ListAll("C:\\docs");
    EXPECT_EQ(entries.size(), 7u);
    EXPECT_TRUE(entries.at(".") & platform::kAttributeDirectory);
    EXPECT_TRUE(entries.at("..") & platform::kAttributeDirectory);
    EXPECT_EQ(entries.at("a.pdf"), platform::kAttributeArchive);
    EXPECT_EQ(entries.at(".secret"), platform::kAttributeArchive | platform::kAttributeHidden);
    EXPECT_EQ(entries.at("sub"), platform::kAttributeDirectory);
    EXPECT_EQ(entries.at("locked.txt"), platform::kAttributeArchive | platform::kAttributeReadOnly);
    EXPECT_FALSE(entries.at("link") & platform::kAttributeDirectory) << "links are never walked";
}

TEST(Files, ListingOfAMissingFolderIsEmpty) {
    TempCDrive drive;
    platform::DirectoryListing listing("C:\\nothing");
    EXPECT_FALSE(listing.IsOpen());
    EXPECT_FALSE(listing.Next());
}

TEST(Files, CreateFolderMakesOneLevelOnly) {
    TempCDrive drive;
    EXPECT_TRUE(platform::CreateFolder("C:\\output"));
    EXPECT_FALSE(platform::CreateFolder("C:\\output")) << "exists already";
    EXPECT_FALSE(platform::CreateFolder("C:\\a\\b"));
    EXPECT_TRUE(platform::IsFolder("C:\\output"));
    EXPECT_FALSE(platform::IsFolder("C:\\a"));
}

TEST(Files, ReadOnlyEntriesResistUntilMadeNormal) {
    TempCDrive drive;
    std::string file = drive.root().WriteFile("tmp/ro.txt");
    chmod(file.c_str(), 0444);
    EXPECT_FALSE(platform::DeleteFile("C:\\tmp\\ro.txt"));
    EXPECT_TRUE(platform::SetAttributesNormal("C:\\tmp\\ro.txt"));
    EXPECT_TRUE(platform::DeleteFile("C:\\tmp\\ro.txt"));
    EXPECT_FALSE(platform::PathExists("C:\\tmp\\ro.txt"));

    std::string folder = drive.root().MakeFolder("tmp/rodir");
    chmod(folder.c_str(), 0555);
    EXPECT_FALSE(platform::RemoveFolder("C:\\tmp\\rodir"));
    EXPECT_TRUE(platform::SetAttributesNormal("C:\\tmp\\rodir"));
    EXPECT_TRUE(platform::RemoveFolder("C:\\tmp\\rodir\\"));
}

TEST(Files, DeleteFileRefusesFoldersAndRemovesLinksNotTargets) {
    TempCDrive drive;
    std::string target = drive.root().WriteFile("keep/target.txt", "precious");
    drive.root().MakeFolder("tmp");
    std::filesystem::create_symlink(drive.root().host() + "/keep",
                                    drive.root().host() + "/tmp/link");
    EXPECT_FALSE(platform::DeleteFile("C:\\keep"));
    EXPECT_TRUE(platform::IsLink("C:\\tmp\\link\\"));
    EXPECT_TRUE(platform::DeleteFile("C:\\tmp\\link"));
    EXPECT_EQ(ReadAll(target), "precious");
}

TEST(Files, MoveReplacesAFileButNeverAFolderOrAReadOnlyFile) {
    TempCDrive drive;
    drive.root().WriteFile("tmp/next.bmp", "next");
    const std::string target = drive.root().WriteFile("tmp/tmp.bmp", "before");
    EXPECT_TRUE(platform::MoveFile("C:\\tmp\\next.bmp", "C:\\tmp\\tmp.bmp"));
    EXPECT_EQ(ReadAll(target), "next");
    EXPECT_FALSE(platform::PathExists("C:\\tmp\\next.bmp"));
    EXPECT_FALSE(platform::MoveFile("C:\\tmp\\next.bmp", "C:\\tmp\\tmp.bmp")) << "gone";
    drive.root().WriteFile("tmp/other.bmp", "other");
    drive.root().MakeFolder("tmp/folder");
    EXPECT_FALSE(platform::MoveFile("C:\\tmp\\other.bmp", "C:\\tmp\\folder"));
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_FALSE(platform::MoveFile("C:\\tmp\\other.bmp", "C:\\tmp\\tmp.bmp"));
    EXPECT_EQ(ReadAll(target), "next");
}

TEST(Files, CopyHonoursFailIfExistsAndNeverTruncatesItsSource) {
    TempCDrive drive;
    drive.root().WriteFile("a.txt", "new");
    std::string existing = drive.root().WriteFile("b.txt", "old");
    EXPECT_FALSE(platform::CopyFile("C:\\a.txt", "C:\\b.txt", true));
    EXPECT_EQ(ReadAll(existing), "old");
    EXPECT_TRUE(platform::CopyFile("C:\\a.txt", "C:\\b.txt", false));
    EXPECT_EQ(ReadAll(existing), "new");
    EXPECT_FALSE(platform::CopyFile("C:\\a.txt", "c:\\A.txt\\..\\a.txt", false));
    EXPECT_EQ(ReadAll(drive.root().host() + "/a.txt"), "new");
    EXPECT_FALSE(platform::CopyFile("C:\\missing.txt", "C:\\c.txt", false));
    EXPECT_FALSE(platform::PathExists("C:\\c.txt"));
}

TEST(Files, CopyOverAFullDiskLeavesTheEarlierFileWholeAndNoPartOfTheCopy) {
    TempCDrive drive;
    drive.root().WriteFile("big.pdf", std::string(2 << 20, 'x'));
    drive.root().WriteFile("small.pdf", "new");
    const std::string disk = drive.root().MakeFolder("disk");
    const testing_support::SmallDiskRun run = testing_support::OnSmallDisk(disk, 1 << 20, [&] {
        drive.root().WriteFile("disk/result.pdf", "earlier");
        const platform::FileCopy full =
            platform::CopyFileOver("C:\\big.pdf", "C:\\disk\\result.pdf");
        std::string seen = std::to_string(full.systemError) + " " + ReadAll(disk + "/result.pdf");
        for (const auto& entry : std::filesystem::directory_iterator(disk))
            seen += " " + entry.path().filename().string();
        const platform::FileCopy fits =
            platform::CopyFileOver("C:\\small.pdf", "C:\\disk\\result.pdf");
        return seen + " | " + fits.error + ReadAll(disk + "/result.pdf");
    });
    if (!run.ran) GTEST_SKIP() << "no disk of its own: " << run.output;
    EXPECT_EQ(run.output, std::to_string(ENOSPC) + " earlier result.pdf | new");

    const platform::FileCopy missing = platform::CopyFileOver("C:\\small.pdf", "C:\\none\\a.pdf");
    EXPECT_EQ(missing.systemError, ENOENT);
    EXPECT_EQ(missing.error, std::strerror(ENOENT));
    EXPECT_EQ(platform::CopyFileOver("C:\\small.pdf", "C:\\disk").systemError, EISDIR);
}

TEST(Files, WholeFileWriteReplacesTheFileKeepingItsRightsAndLinks) {
    TempCDrive drive;
    const auto& root = drive.root();
    std::string target = root.WriteFile("cfg/setup.ini", "old and longer");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, root.host() + "/cfg/link.ini");
    const std::string bytes("\"C:\\output\"\r\n\0\xFF", 16);

    ASSERT_TRUE(platform::WriteWholeFile("C:\\cfg\\setup.ini", bytes));
    EXPECT_EQ(platform::ReadWholeFile("C:\\cfg\\setup.ini").bytes, bytes);
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    ASSERT_TRUE(platform::WriteWholeFile("C:\\cfg\\link.ini", "through the link"));
    EXPECT_TRUE(platform::IsLink("C:\\cfg\\link.ini"));
    EXPECT_EQ(ReadAll(target), "through the link");
    EXPECT_TRUE(platform::WriteWholeFile("C:\\cfg\\new.ini", ""));
    const platform::FileContents empty = platform::ReadWholeFile("C:\\cfg\\new.ini");
    EXPECT_TRUE(empty.error.empty() && empty.bytes.empty());
    EXPECT_EQ(ListAll("C:\\cfg").size(), 5u) << "no temporary file is left beside";

    EXPECT_EQ(platform::ReadWholeFile("C:\\cfg\\missing.ini").error, std::strerror(ENOENT));
    EXPECT_EQ(platform::ReadWholeFile("C:\\cfg").error, std::strerror(EISDIR));
}

TEST(Files, WholeFileWriteThatCannotCompleteKeepsTheOldFile) {
    TempCDrive drive;
    const auto& root = drive.root();
    std::string locked = root.WriteFile("ro/locked.ini", "kept");
    chmod(locked.c_str(), 0444);
    EXPECT_FALSE(platform::WriteWholeFile("C:\\ro\\locked.ini", "lost"));
    EXPECT_EQ(ReadAll(locked), "kept");
    EXPECT_FALSE(platform::WriteWholeFile("C:\\no\\such\\x.ini", "lost"));
    EXPECT_FALSE(platform::WriteWholeFile("C:\\ro", "lost")) << "a folder is not replaced";

    std::string file = root.WriteFile("stuck/setup.ini", "kept");
    std::string folder = root.host() + "/stuck";
    if (!testing_support::SetImmutable(folder, true)) {
        GTEST_SKIP() << "this file system cannot make a folder unwritable";
    }
    bool written = platform::WriteWholeFile("C:\\stuck\\setup.ini", "lost");
    testing_support::SetImmutable(folder, false);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(file), "kept");
    EXPECT_EQ(ListAll("C:\\stuck").size(), 3u);
}

// Host names with characters a Windows name cannot hold: listed with private-use stand-ins
// (U+F000 + the character's code), and every listed name reaches its own file again.
TEST(Files, NamesWithCharactersWindowsForbidsRoundTripThroughTheirWindowsForm) {
    TempCDrive drive;
    const auto& root = drive.root();
    const std::string decoy = root.WriteFile("x", "decoy");
    const std::vector<std::string> hostNames = {"a\\b.pdf", "c:d", "e*f", "g?h",      "i\"j",
                                                "k<l",      "m>n", "o|p", "..\\..\\x"};
    for (const auto& name : hostNames) root.WriteFile("scratch/names/" + name, name);

    std::map<std::string, std::string> listed;  // Windows path -> host path it reaches
    for (const auto& [name, attributes] : ListAll("C:\\scratch\\names")) {
        if (name == "." || name == "..") continue;
        EXPECT_EQ(name.find_first_of("\\/:*?\"<>|"), std::string::npos) << name;
        const std::string windows = "C:\\scratch\\names\\" + name;
        listed[windows] = platform::ToHostPath(windows);
        EXPECT_EQ(platform::ToWindowsPath(listed[windows]), windows);
        EXPECT_TRUE(platform::PathExists(windows)) << name;
    }
    ASSERT_EQ(listed.size(), hostNames.size());
    EXPECT_EQ(listed.count("C:\\scratch\\names\\c\uF03Ad"), 1u);
    EXPECT_EQ(listed.count("C:\\scratch\\names\\a\uF05Cb.pdf"), 1u);
    for (const auto& [windows, host] : listed) {
        EXPECT_EQ(ReadAll(host), host.substr(host.rfind('/') + 1));
        EXPECT_TRUE(platform::DeleteFile(windows)) << windows;
    }
    EXPECT_TRUE(std::filesystem::is_empty(root.host() + "/scratch/names"));
    EXPECT_EQ(ReadAll(decoy), "decoy") << "a name is never read as a path";
    EXPECT_EQ(platform::ToWindowsPath("/srv/a:b/c|d"), "Z:\\srv\\a\uF03Ab\\c\uF07Cd");
}

// The lock goes with its holder, however the holder ends, and never passes to its children.
TEST(Files, FileLockExcludesEveryOtherHolderUntilItsOwnerEnds) {
    TempCDrive drive;
    const char* lockFile = "C:\\a.lock";
    // A child may still be closing the caller's files when its start returns.
    const auto claimSoon = [&](platform::LockClaim expected) {
        platform::LockAttempt attempt = platform::TryLockFile(lockFile);
        for (int i = 0; i < 200 && attempt.claim != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            attempt = platform::TryLockFile(lockFile);
        }
        return attempt;
    };
    platform::LockAttempt first = platform::TryLockFile(lockFile);
    ASSERT_EQ(first.claim, platform::LockClaim::Taken);
    EXPECT_EQ(platform::TryLockFile(lockFile).claim, platform::LockClaim::HeldElsewhere);

    auto child = platform::ChildProcess::Start("sleep 30").process;
    ASSERT_TRUE(child);
    first.lock.reset();
    platform::LockAttempt again = claimSoon(platform::LockClaim::Taken);
    EXPECT_EQ(again.claim, platform::LockClaim::Taken) << "the child holds no copy of it";
    child->EndAll();
    again.lock.reset();

    auto holder =
        platform::ChildProcess::Start("flock -n " + platform::ToHostPath(lockFile) + " sleep 30")
            .process;
    ASSERT_TRUE(holder);
    EXPECT_EQ(claimSoon(platform::LockClaim::HeldElsewhere).claim,
              platform::LockClaim::HeldElsewhere);
    holder->EndAll();
    // The command flock runs holds the lock too, until the system has finished ending it.
    EXPECT_EQ(claimSoon(platform::LockClaim::Taken).claim, platform::LockClaim::Taken);
    EXPECT_TRUE(std::filesystem::exists(drive.root().host() + "/a.lock")) << "the file stays";
    EXPECT_EQ(platform::TryLockFile("C:\\no such folder\\a.lock").claim,
              platform::LockClaim::Failed);
}

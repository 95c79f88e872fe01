#include "tests/support/TempDrive.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace testing_support {
namespace {

// Makes every entry writable so the tree can be removed whatever a test left in it.
void MakeWritable(const fs::path& folder) {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(folder, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink()) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
}

}  // namespace

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "convtest-XXXXXX").string();
    host_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

TempFolder::~TempFolder() {
    if (host_.empty()) return;
    std::error_code ignored;
    fs::permissions(host_, fs::perms::owner_all, fs::perm_options::add, ignored);
    MakeWritable(host_);
    fs::remove_all(host_, ignored);
}

std::string TempFolder::windows() const { return platform::ToWindowsPath(host_); }

std::string TempFolder::WriteFile(const std::string& relative, const std::string& contents) const {
    fs::path path = fs::path(host_) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
    fs::path path = fs::path(host_) / relative;
    fs::create_directories(path);
    return path.string();
}

TempCDrive::TempCDrive() {
    platform::SetCDriveRoot(root_.host());
    platform::SetProgramFolder(PROGRAM_FOLDER);
}

TempCDrive::~TempCDrive() { platform::SetCDriveRoot(""); }

bool SetImmutable(const std::string& hostPath, bool immutable) {
    int fd = open(hostPath.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

}  // namespace testing_support

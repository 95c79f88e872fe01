// Directory listing with Windows attribute words, and the file and folder operations, on a
// POSIX host. Read-only is the owner's write bit; the calls that Windows refuses on read-only
// entries refuse here too, so callers clear the attribute first as they must on Windows.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/Platform.h"
#include "platform/PlatformInternal.h"

namespace platform {
namespace {

// The host path of an entry itself: a trailing separator would make the system look through
// a link at what it points to.
std::string EntryHostPath(std::string_view path) {
    std::string host = ToHostPath(path);
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

bool StatNoFollow(const std::string& host, struct stat& info) {
    return !host.empty() && lstat(host.c_str(), &info) == 0;
}

bool IsReadOnly(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

uint32_t AttributeWord(const std::string& name, const struct stat& info) {
    uint32_t attributes = 0;
    if (IsReadOnly(info)) attributes |= kAttributeReadOnly;
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kAttributeHidden;
    if (S_ISDIR(info.st_mode)) {
        attributes |= kAttributeDirectory;
    } else {
        attributes |= kAttributeArchive;
    }
    return attributes;
}

bool CopyContents(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) return false;
        for (ssize_t written = 0; written < got;) {
            ssize_t put = write(to, buffer + written, static_cast<size_t>(got - written));
            if (put <= 0) return false;
            written += put;
        }
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    for (size_t written = 0; written < bytes.size();) {
        ssize_t put = write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        written += static_cast<size_t>(put);
    }
    return true;
}

// The file a write replaces: through a symbolic link it is the file the link names, so that
// the link itself stays.
std::string ReplacedFile(const std::string& host) {
    char resolved[PATH_MAX];
    struct stat info;
    if (lstat(host.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        realpath(host.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return host;
}

// A new file beside target ("<folder>/.<name>.<pid>-<n>.new"), created exclusively so that no
// other file is ever opened through the name; its rights follow the creation mask, as a new
// file's do.
int CreateFileBeside(const std::string& target, std::string& created) {
    static std::atomic<unsigned> counter{0};
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = target.substr(folder.size());
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                  std::to_string(counter++) + ".new";
        int fd = open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Replaces the file target (a host path with links resolved) with what write puts into a new
// file beside it, renamed over it when complete: a failure leaves target as it was and no part
// of the new file. The replacement keeps the rights of the file it replaces; it reaches the disk
// before it takes the name, so that a crash cannot leave the name on an empty file. A folder or
// a read-only file is not replaced. 0, or the system's error number of the step that failed.
int ReplaceThroughFileBeside(const std::string& target, const std::function<bool(int fd)>& write) {
    struct stat existing;
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return EISDIR;
    if (exists && (!S_ISREG(existing.st_mode) || IsReadOnly(existing))) return EACCES;
    std::string temporary;
    const int fd = CreateFileBeside(target, temporary);
    if (fd < 0) return errno;
    errno = 0;
    bool written =
        (!exists || fchmod(fd, existing.st_mode & 07777) == 0) && write(fd) && fsync(fd) == 0;
    int code = errno;
    if (close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    if (written && rename(temporary.c_str(), target.c_str()) == 0) return 0;
    if (written) code = errno;
    unlink(temporary.c_str());
    return code != 0 ? code : EIO;
}

}  // namespace

struct DirectoryListing::State {
    std::string hostFolder;
    DIR* dir = nullptr;
};

DirectoryListing::DirectoryListing(std::string_view folder) : state_(std::make_unique<State>()) {
    state_->hostFolder = ToHostPath(folder);
    if (!state_->hostFolder.empty()) state_->dir = opendir(state_->hostFolder.c_str());
}

DirectoryListing::~DirectoryListing() {
    if (state_->dir != nullptr) closedir(state_->dir);
}

bool DirectoryListing::IsOpen() const { return state_->dir != nullptr; }

std::optional<DirectoryEntry> DirectoryListing::Next() {
    if (state_->dir == nullptr) return std::nullopt;
    while (dirent* entry = readdir(state_->dir)) {
        std::string name = entry->d_name;
        std::string folder = state_->hostFolder;
        if (folder.back() != '/') folder += '/';
        struct stat info;
        if (!StatNoFollow(folder + name, info)) continue;  // vanished since it was listed
        return DirectoryEntry{ToWindowsName(name), AttributeWord(name, info)};
    }
    return std::nullopt;
}

bool PathExists(std::string_view path) {
    struct stat info;
    std::string host = ToHostPath(path);
    return !host.empty() && stat(host.c_str(), &info) == 0;
}

bool IsFolder(std::string_view path) {
    struct stat info;
    std::string host = ToHostPath(path);
    return !host.empty() && stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsLink(std::string_view path) {
    struct stat info;
    std::string host = EntryHostPath(path);
    return StatNoFollow(host, info) && S_ISLNK(info.st_mode);
}

bool CreateFolder(std::string_view path) {
    std::string host = ToHostPath(path);
    return !host.empty() && mkdir(host.c_str(), 0777) == 0;
}

bool RemoveFolder(std::string_view path) {
    std::string host = EntryHostPath(path);
    struct stat info;
    if (!StatNoFollow(host, info) || !S_ISDIR(info.st_mode) || IsReadOnly(info)) return false;
    return rmdir(host.c_str()) == 0;
}

bool DeleteFile(std::string_view path) {
    std::string host = EntryHostPath(path);
    struct stat info;
    if (!StatNoFollow(host, info) || S_ISDIR(info.st_mode)) return false;
    if (!S_ISLNK(info.st_mode) && IsReadOnly(info)) return false;
    return unlink(host.c_str()) == 0;
}

bool MoveFile(std::string_view from, std::string_view to) {
    const std::string source = EntryHostPath(from);
    const std::string target = EntryHostPath(to);
    struct stat info;
    if (source.empty() || target.empty() || !StatNoFollow(source, info) || !S_ISREG(info.st_mode))
        return false;
    struct stat existing;
    if (StatNoFollow(target, existing) && (S_ISDIR(existing.st_mode) || IsReadOnly(existing)))
        return false;
    return rename(source.c_str(), target.c_str()) == 0;
}

bool SetAttributesNormal(std::string_view path) {
    std::string host = EntryHostPath(path);
    struct stat info;
    if (!StatNoFollow(host, info)) return false;
    if (S_ISLNK(info.st_mode)) return true;  // a link has no attributes of its own
    return chmod(host.c_str(), info.st_mode | S_IWUSR) == 0;
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
    std::string source = ToHostPath(from);
    std::string target = ToHostPath(to);
    if (source.empty() || target.empty()) return false;
    struct stat info;
    if (stat(source.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0) {
        // Copying a file onto itself would truncate it; a read-only target is refused.
        bool sameFile = existing.st_dev == info.st_dev && existing.st_ino == info.st_ino;
        if (failIfExists || sameFile || IsReadOnly(existing)) return false;
    }
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    int out = open(target.c_str(), flags, info.st_mode & 0777);
    if (out < 0) {
        close(in);
        return false;
    }
    bool copied = CopyContents(in, out);
    close(in);
    copied = close(out) == 0 && copied;
    return copied;
}

FileCopy CopyFileOver(std::string_view from, std::string_view to) {
    auto failed = [](int code) { return FileCopy{std::strerror(code), code}; };
    const std::string source = ToHostPath(from);
    const std::string host = ToHostPath(to);
    if (source.empty() || host.empty()) return failed(ENOENT);
    const std::string target = ReplacedFile(host);
    struct stat info;
    if (stat(source.c_str(), &info) != 0) return failed(errno);
    if (!S_ISREG(info.st_mode)) return failed(EINVAL);
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0 && existing.st_dev == info.st_dev &&
        existing.st_ino == info.st_ino)
        return {};
    const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return failed(errno);
    const int code =
        ReplaceThroughFileBeside(target, [in](int out) { return CopyContents(in, out); });
    close(in);
    if (code != 0) return failed(code);
    return {};
}

FileContents ReadWholeFile(std::string_view path) {
    FileContents contents;
    std::string host = ToHostPath(path);
    if (host.empty()) {
        contents.error = std::strerror(ENOENT);
        return contents;
    }
    // Without blocking, so that a pipe under the name cannot hold the caller.
    int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        contents.error = std::strerror(errno);
        return contents;
    }
    struct stat info;
    const bool stated = fstat(fd, &info) == 0;
    if (!stated || !S_ISREG(info.st_mode)) {
        contents.error = std::strerror(!stated ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        close(fd);
        return contents;
    }
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) contents.error = std::strerror(errno);
        if (got <= 0) break;
        contents.bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    if (!contents.error.empty()) contents.bytes.clear();
    return contents;
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
    std::string host = ToHostPath(path);
    if (host.empty()) return false;
    return ReplaceThroughFileBeside(ReplacedFile(host),
                                    [bytes](int fd) { return WriteAll(fd, bytes); }) == 0;
}

// flock belongs to the open file, not to the process, so two locks taken in one process
// exclude each other, and the lock goes with the last descriptor when the process ends.
LockAttempt TryLockFile(std::string_view path) {
    const std::string host = ToHostPath(path);
    if (host.empty()) return {};
    const int fd = open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return {};
    int result = 0;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return {held ? LockClaim::HeldElsewhere : LockClaim::Failed, nullptr};
    }
    return {LockClaim::Taken, std::unique_ptr<FileLock>(new FileLock(fd))};
}

FileLock::~FileLock() { close(handle_); }

}  // namespace platform

// The file-system side of the command channel on a POSIX host: where the socket lives, and
// claiming its name with owner-only rights. The socket is bound in a private folder, given its
// rights there and then linked under its name, so it never appears with wider rights and a
// name that another instance took meanwhile is never replaced.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/PlatformInternal.h"
#include "platform/posix/SocketFiles.h"

namespace platform {
namespace {

constexpr int kBacklog = 16;
constexpr int kSendSeconds = 5;

// True when a server listens at the path now (one whose queue is full counts too).
bool ServerAnswers(const std::string& path) {
    sockaddr_un address;
    if (!FillSocketAddress(path, address)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ||
                   errno == EAGAIN || errno == EINPROGRESS;
    close(fd);
    return answers;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A listening socket with rights 0600, linked under path; -1 when the name could not be
// taken (taken tells whether another socket got it first).
int ListenUnder(const std::string& path, bool& taken) {
    taken = false;
    std::string folder = FolderOf(path) + "/.command-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) return -1;
    std::string bound = folder + "/socket";
    sockaddr_un address;
    int fd =
        FillSocketAddress(bound, address) ? socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
    bool listening = fd >= 0 &&
                     bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     chmod(bound.c_str(), 0600) == 0 && listen(fd, kBacklog) == 0;
    bool linked = listening && link(bound.c_str(), path.c_str()) == 0;
    taken = listening && !linked && errno == EEXIST;
    unlink(bound.c_str());
    rmdir(folder.c_str());
    if (!linked && fd >= 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

}  // namespace

bool SendCommandLines(const std::string& hostPath, const std::vector<std::string>& lines) {
    if (InspectSocketPath(hostPath) != PathHolds::OwnSocket) return false;
    // A program that stopped answering never holds the caller.
    const std::unique_ptr<LocalStream> stream =
        LocalStream::Connect(hostPath, std::chrono::seconds(kSendSeconds));
    if (!stream) return false;
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return stream->WriteAll(text);
}

std::string CommandSocketPath(std::string_view program) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        std::string folder = runtime;
        if (folder.back() != '/') folder += '/';
        return folder + std::string(program) + ".command";
    }
    return "/tmp/" + std::string(program) + "-" + std::to_string(getuid()) + ".command";
}

SocketClaim ClaimSocketPath(const std::string& hostPath) {
    SocketClaim result;
    sockaddr_un address;
    if (!FillSocketAddress(hostPath, address)) return result;  // clients could not reach it
    PathHolds holds = InspectSocketPath(hostPath);
    if (holds == PathHolds::SomethingElse) return result;
    if (holds == PathHolds::OwnSocket) {
        if (ServerAnswers(hostPath)) {
            result.claim = ChannelClaim::OtherInstanceRunning;
            return result;
        }
        // Left by a program that was killed.
        if (unlink(hostPath.c_str()) != 0) return result;
    }
    bool taken = false;
    int fd = ListenUnder(hostPath, taken);
    if (fd < 0) {
        // Another instance started at the same moment and got the name first.
        if (taken && InspectSocketPath(hostPath) == PathHolds::OwnSocket &&
            ServerAnswers(hostPath)) {
            result.claim = ChannelClaim::OtherInstanceRunning;
        }
        return result;
    }
    struct stat info;
    if (lstat(hostPath.c_str(), &info) != 0) {
        close(fd);
        return result;
    }
    result.claim = ChannelClaim::Owned;
    result.listeningSocket = fd;
    result.device = static_cast<uint64_t>(info.st_dev);
    result.inode = static_cast<uint64_t>(info.st_ino);
    return result;
}

void ReleaseSocketPath(const std::string& hostPath, uint64_t device, uint64_t inode) {
    struct stat info;
    if (lstat(hostPath.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_dev) == device &&
        static_cast<uint64_t>(info.st_ino) == inode) {
        unlink(hostPath.c_str());
    }
}

}  // namespace platform

// Local services on a POSIX host: a private folder for their sockets, a connection to one,
// and the start of the service itself, detached from its starter.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Host.h"
#include "platform/posix/ExecArguments.h"
#include "platform/posix/SocketFiles.h"

extern char** environ;

namespace platform {
namespace {

bool IsPrivateFolder(const std::string& folder) {
    struct stat status {};
    return lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

}  // namespace

std::string PrivateRuntimeFolder(std::string_view name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime)) return runtime;
    const std::string folder =
        "/tmp/" + std::string(name) + "-" + std::to_string(static_cast<unsigned>(geteuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string CurrentFolder() {
    char* folder = getcwd(nullptr, 0);
    if (folder == nullptr) return {};
    std::string text = folder;
    std::free(folder);
    return text;
}

int64_t ParentProcessId() { return getppid(); }

std::unique_ptr<LocalStream> LocalStream::Connect(const std::string& socketPath,
                                                  std::chrono::milliseconds sendLimit) {
    sockaddr_un address;
    if (!FillSocketAddress(socketPath, address)) return nullptr;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (sendLimit.count() > 0) {
        const timeval limit{static_cast<time_t>(sendLimit.count() / 1000),
                            static_cast<suseconds_t>(sendLimit.count() % 1000 * 1000)};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<LocalStream>(new LocalStream(fd));
}

LocalStream::~LocalStream() { close(fd_); }

bool LocalStream::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

std::optional<std::string> LocalStream::ReadExactly(size_t count) {
    std::string bytes(count, '\0');
    size_t got = 0;
    while (got < count) {
        const ssize_t read = recv(fd_, bytes.data() + got, count - got, 0);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) return std::nullopt;
        got += static_cast<size_t>(read);
    }
    return bytes;
}

// Forked twice, so that the service is nobody's child to wait for and in no session that a
// terminal or a caller ending its own group would reach. The middle process tells the
// starter the service's id, by which the starter watches it while it starts.
std::unique_ptr<StartedService> StartService(const std::string& hostProgram,
                                             const std::vector<std::string>& arguments,
                                             const std::string& folder) {
    if (access(hostProgram.c_str(), X_OK) != 0) return nullptr;
    std::vector<std::string> words{hostProgram};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::vector<char*> argv = ExecArray(words);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return nullptr;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        close(null);
        return nullptr;
    }
    const pid_t first = fork();
    if (first == 0) {
        setsid();
        const pid_t service = fork();
        if (service != 0) {
            const bool told =
                service > 0 && write(report[1], &service, sizeof service) == sizeof service;
            _exit(told ? 0 : 1);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 ||
            chdir(folder.c_str()) != 0) {
            _exit(127);
        }
        close_range(3, ~0U, 0);
        execve(hostProgram.c_str(), argv.data(), environ);
        _exit(127);
    }
    close(null);
    close(report[1]);
    pid_t service = -1;
    if (first > 0 && read(report[0], &service, sizeof service) != sizeof service) service = -1;
    close(report[0]);
    if (first < 0) return nullptr;
    int status = 0;
    while (waitpid(first, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || service <= 0) return nullptr;
    // A service that is gone before it can be watched has ended; any other refusal (an older
    // kernel, a filter) only leaves it unwatched.
    const int watch = static_cast<int>(syscall(SYS_pidfd_open, service, 0));
    const bool gone = watch < 0 && errno == ESRCH;
    return std::unique_ptr<StartedService>(new StartedService(watch, gone));
}

StartedService::~StartedService() {
    if (watch_ >= 0) close(watch_);
}

bool StartedService::HasEnded() const {
    if (watch_ < 0) return gone_;
    pollfd ended{watch_, POLLIN, 0};
    return poll(&ended, 1, 0) > 0;
}

bool EndLocalService(const std::string& socketPath) {
    sockaddr_un address;
    if (InspectSocketPath(socketPath) != PathHolds::OwnSocket ||
        !FillSocketAddress(socketPath, address)) {
        return false;
    }
    // Never waits: a service that stopped answering may have a full queue.
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    bool ended = false;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        ucred peer{};
        socklen_t length = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.pid > 0 &&
            peer.uid == geteuid()) {
            ended = kill(peer.pid, SIGKILL) == 0;
        }
    }
    close(fd);
    unlink(socketPath.c_str());
    return ended;
}

void ReplaceProcess(const std::string& hostProgram, const std::vector<std::string>& arguments) {
    std::vector<std::string> words = arguments;
    const std::vector<char*> argv = ExecArray(words);
    execv(hostProgram.c_str(), argv.data());
}

}  // namespace platform

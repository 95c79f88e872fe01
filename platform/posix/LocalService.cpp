// Local services on a POSIX host: a private folder for their sockets, a connection to one,
// and the start of the service itself, detached from its starter.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Host.h"
#include "platform/posix/ExecArguments.h"

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

std::unique_ptr<LocalStream> LocalStream::Connect(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return nullptr;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
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
// terminal or a caller ending its own group would reach.
bool StartService(const std::string& hostProgram, const std::vector<std::string>& arguments,
                  const std::string& folder) {
    if (access(hostProgram.c_str(), X_OK) != 0) return false;
    std::vector<std::string> words{hostProgram};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::vector<char*> argv = ExecArray(words);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return false;
    const pid_t first = fork();
    if (first == 0) {
        setsid();
        if (fork() != 0) _exit(0);
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
    if (first < 0) return false;
    int status = 0;
    while (waitpid(first, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ReplaceProcess(const std::string& hostProgram, const std::vector<std::string>& arguments) {
    std::vector<std::string> words = arguments;
    const std::vector<char*> argv = ExecArray(words);
    execv(hostProgram.c_str(), argv.data());
}

}  // namespace platform

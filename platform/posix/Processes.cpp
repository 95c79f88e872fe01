// Processes on a POSIX host: the list by executable name, ending by id, detached starts, and
// hidden children whose output comes through one pipe. Children get a process group of their
// own so that ending one also ends what it started.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/PlatformInternal.h"
#include "platform/posix/ExecArguments.h"

extern char** environ;

namespace platform {
namespace {

constexpr size_t kKernelNameLimit = 15;  // /proc/<pid>/comm keeps at most this many characters

std::mutex gDetachedMutex;
std::vector<pid_t> gDetached;  // started without waiting; reaped whenever we look again

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsZombie(const std::string& procFolder) {
    std::string stat = ReadSmallFile(procFolder + "/stat");
    size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z' ||
           stat[close + 2] == 'X';
}

// The executable file name: the kernel's name, completed from the program path when the
// kernel cut it short.
std::string ExecutableName(const std::string& procFolder) {
    std::string name = ReadSmallFile(procFolder + "/comm");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    if (name.size() < kKernelNameLimit) return name;
    std::string cmdline = ReadSmallFile(procFolder + "/cmdline");
    std::string argv0 = BaseName(cmdline.substr(0, cmdline.find('\0')));
    if (argv0.compare(0, name.size(), name) == 0) return argv0;
    char target[4096];
    ssize_t length = readlink((procFolder + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0) {
        std::string exe = BaseName(std::string(target, static_cast<size_t>(length)));
        if (exe.compare(0, name.size(), name) == 0) return exe;
    }
    return name;
}

bool IsThisUsers(int64_t id) {
    struct stat info;
    return stat(("/proc/" + std::to_string(id)).c_str(), &info) == 0 && info.st_uid == geteuid();
}

void ReapDetached() {
    std::lock_guard lock(gDetachedMutex);
    std::erase_if(gDetached, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

bool IsExecutableFile(const std::string& host) {
    struct stat info;
    return !host.empty() && stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(host.c_str(), X_OK) == 0;
}

bool EndsWithExe(const std::string& name) {
    return name.size() > 4 && LowerCaseAscii(name.substr(name.size() - 4)) == ".exe";
}

// The host file of a program: as named, or without ".exe".
std::string ExistingProgram(const std::string& host) {
    if (IsExecutableFile(host)) return host;
    if (EndsWithExe(host) && IsExecutableFile(host.substr(0, host.size() - 4))) {
        return host.substr(0, host.size() - 4);
    }
    return {};
}

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        std::string found = ExistingProgram(folder + "/" + name);
        if (!found.empty()) return found;
    }
    return {};
}

std::string ResolveProgram(const std::string& program) {
    bool hasFolder = program.find_first_of("\\/") != std::string::npos ||
                     (program.size() >= 2 && program[1] == ':');
    if (!hasFolder) {
        const std::string name = ToHostName(program);
        std::string found = ExistingProgram(HostProgramFolder() + "/" + name);
        return found.empty() ? FindOnPath(name) : found;
    }
    std::string found = ExistingProgram(ToHostPath(program));
    if (!found.empty()) return found;
    // A program named in the program folder that is not there comes from the search path.
    std::string host = ToHostPath(program);
    std::string folder = host.substr(0, host.rfind('/'));
    if (folder == HostProgramFolder()) return FindOnPath(BaseName(host));
    return {};
}

bool IsDrivePath(const std::string& argument) {
    return argument.size() >= 3 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
           argument[1] == ':' && (argument[2] == '\\' || argument[2] == '/');
}

struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

// The arguments are passed as they are: paths are the bytes the file system holds, and a text
// that belongs in the code page was converted by the caller, who knows it is not a path.
pid_t Spawn(std::vector<std::string> arguments, SpawnSettings& settings) {
    const std::vector<char*> argv = ExecArray(arguments);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &settings.actions, &settings.attributes, argv.data(), environ) !=
        0) {
        return -1;
    }
    return pid;
}

}  // namespace

std::vector<ProcessInfo> RunningProcesses() {
    ReapDetached();
    std::vector<ProcessInfo> processes;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return processes;
    while (dirent* entry = readdir(proc)) {
        std::string id = entry->d_name;
        if (id.empty() || !std::all_of(id.begin(), id.end(), ::isdigit)) continue;
        std::string folder = "/proc/" + id;
        if (IsZombie(folder)) continue;  // ended, only waiting to be reaped
        std::string name = ExecutableName(folder);
        if (!name.empty()) processes.push_back({std::stoll(id), ToWindowsName(name)});
    }
    closedir(proc);
    return processes;
}

bool ProcessNameMatches(std::string_view watchedName, std::string_view exeName) {
    std::string watched = LowerCaseAscii(watchedName);
    std::string exe = LowerCaseAscii(exeName);
    if (watched.empty()) return false;
    if (watched == exe) return true;
    return EndsWithExe(watched) && watched.substr(0, watched.size() - 4) == exe;
}

std::vector<int64_t> FindProcesses(std::string_view exeName) {
    std::vector<int64_t> ids;
    for (const auto& process : RunningProcesses()) {
        if (ProcessNameMatches(exeName, process.exeName) && IsThisUsers(process.id)) {
            ids.push_back(process.id);
        }
    }
    return ids;
}

bool EndProcess(int64_t id) {
    if (id <= 0) return false;
    bool ended = kill(static_cast<pid_t>(id), SIGKILL) == 0;
    ReapDetached();
    return ended;
}

std::vector<std::string> ResolveCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) return arguments;
    std::string program = ResolveProgram(arguments[0]);
    // An unquoted program path may hold blanks ("C:\Program Files\x.exe a"): as Windows does,
    // ever more words are taken into it until they name a program.
    const size_t first = commandLine.find_first_not_of(" \t");
    const bool quoted = first != std::string_view::npos && commandLine[first] == '"';
    size_t words = 1;
    while (program.empty() && !quoted && words < arguments.size()) {
        arguments[0] += " " + arguments[words++];
        program = ResolveProgram(arguments[0]);
    }
    if (program.empty()) return {};
    arguments.erase(arguments.begin() + 1, arguments.begin() + static_cast<ptrdiff_t>(words));
    arguments[0] = program;
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string host = IsDrivePath(arguments[i]) ? ToHostPath(arguments[i]) : std::string();
        if (!host.empty()) arguments[i] = host;  // a drive that does not exist stays as typed
    }
    return arguments;
}

bool LaunchDetached(std::string_view commandLine) {
    std::vector<std::string> arguments = ResolveCommandLine(commandLine);
    if (arguments.empty()) return false;
    SpawnSettings settings;
    pid_t pid = Spawn(arguments, settings);
    if (pid < 0) return false;
    std::lock_guard lock(gDetachedMutex);
    gDetached.push_back(pid);
    return true;
}

ChildStart ChildProcess::Start(std::string_view commandLine) {
    ChildStart start;
    std::vector<std::string> arguments = ResolveCommandLine(commandLine);
    if (arguments.empty()) {
        start.error = "program not found";
        return start;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        start.pipeError = errno;
        start.error = "cannot create a pipe";
        return start;
    }
    SpawnSettings settings;
    posix_spawn_file_actions_adddup2(&settings.actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&settings.actions, fds[1], 2);
    pid_t pid = Spawn(arguments, settings);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        start.error = "program cannot be started";
        return start;
    }
    start.process.reset(new ChildProcess(pid, fds[0]));
    return start;
}

ChildProcess::ChildProcess(int64_t id, int readFd) : id_(id), readFd_(readFd) {}

ChildProcess::~ChildProcess() {
    close(readFd_);
    if (!IsAlive()) {
        Reap();  // nothing signals its group from now on
        return;
    }
    // Still running: reaped by a later process call once it ends, never left a zombie.
    std::lock_guard lock(gDetachedMutex);
    gDetached.push_back(static_cast<pid_t>(id_));
}

int64_t ChildProcess::id() const { return id_; }

size_t ChildProcess::BytesWaiting() const {
    int waiting = 0;
    if (ioctl(readFd_, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
    return static_cast<size_t>(waiting);
}

std::optional<std::string> ChildProcess::Read(size_t maxBytes) {
    pollfd ready{readFd_, POLLIN, 0};
    if (poll(&ready, 1, 0) <= 0) return std::string();  // nothing yet, writers still there
    std::string chunk(std::max<size_t>(maxBytes, 1), '\0');
    ssize_t got = read(readFd_, chunk.data(), chunk.size());
    if (got <= 0) return std::nullopt;
    chunk.resize(static_cast<size_t>(got));
    return chunk;
}

// The exit is observed without reaping the child: until it is reaped, its id (and with it the
// id of its process group) cannot pass to another process, so ending the group stays safe.
bool ChildProcess::IsAlive() {
    if (exitCode_) return false;
    siginfo_t info{};
    int result = 0;
    do {
        result = waitid(P_PID, static_cast<id_t>(id_), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        exitCode_ = -1;
        reaped_ = true;  // not ours to wait for any more
        return false;
    }
    if (info.si_pid == 0) return true;
    exitCode_ = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
    return false;
}

std::optional<int> ChildProcess::ExitCode() {
    IsAlive();
    return exitCode_;
}

void ChildProcess::Reap() {
    if (reaped_) return;
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(static_cast<pid_t>(id_), &status, 0);
    } while (result < 0 && errno == EINTR);
    if (result == static_cast<pid_t>(id_) && !exitCode_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    reaped_ = true;
}

void ChildProcess::EndAll() {
    // Once the leader is reaped its group id may belong to another program's processes.
    if (reaped_) return;
    kill(-static_cast<pid_t>(id_), SIGKILL);  // what it started may still run after it
    Reap();
}

}  // namespace platform

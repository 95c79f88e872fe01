// Helper programs under limits on a POSIX host. The limits are resource limits set in the
// child between fork and exec, where only async-signal-safe calls may run, so everything the
// child needs is prepared before the fork.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>

#include "platform/Host.h"
#include "platform/posix/ExecArguments.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kOutputLimit = 64 * 1024;
constexpr auto kWaitingInterval = std::chrono::milliseconds(50);
constexpr int kPollMilliseconds = 10;

struct ChildSetup {
    const char* program;
    char* const* argv;
    char* const* envp;
    int output;  // write end of the pipe, becomes standard output
    int null;    // /dev/null, becomes standard input and standard error
    int highestFd;
    rlim_t addressSpace;  // RLIM_INFINITY for none
    rlim_t cpuSeconds;    // RLIM_INFINITY for none
};

[[noreturn]] void BecomeChild(const ChildSetup& setup) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (dup2(setup.null, 0) < 0 || dup2(setup.output, 1) < 0 || dup2(setup.null, 2) < 0) {
        _exit(127);
    }
    if (close_range(3, ~0U, 0) != 0) {
        for (int fd = 3; fd <= setup.highestFd; ++fd) close(fd);
    }
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit addressSpace{setup.addressSpace, setup.addressSpace};
    const rlimit cpu{setup.cpuSeconds, setup.cpuSeconds};
    if (setrlimit(RLIMIT_AS, &addressSpace) != 0 || setrlimit(RLIMIT_CPU, &cpu) != 0) _exit(127);
    execve(setup.program, setup.argv, setup.envp);
    _exit(127);
}

// Reads what is waiting; false once the pipe is at its end.
bool Drain(int fd, std::string& output) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            const size_t room = kOutputLimit - std::min(kOutputLimit, output.size());
            output.append(buffer, std::min(room, static_cast<size_t>(got)));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return got < 0 && errno == EAGAIN;
    }
}

int HighestFd() {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return 65535;
    return static_cast<int>(std::min<rlim_t>(files.rlim_cur, 1 << 20));
}

rlim_t Processors() { return std::max(1u, std::thread::hardware_concurrency()); }

// The caller's environment, with the C library told to put large allocations on huge pages:
// a helper decodes an image into fresh memory that it touches once, and on a virtual machine
// the faults of its small pages can cost more than the decoding.
// A limit on parallel threads is OpenMP's own variable, read when the program loads.
std::vector<std::string> HelperEnvironment(unsigned parallelThreads) {
    constexpr std::string_view kTunables = "GLIBC_TUNABLES=";
    constexpr std::string_view kHugePages = "glibc.malloc.hugetlb=1";
    constexpr std::string_view kThreadLimit = "OMP_THREAD_LIMIT=";
    std::vector<std::string> variables;
    bool tuned = false;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        std::string text = *variable;
        if (parallelThreads > 0 && text.starts_with(kThreadLimit)) continue;
        if (text.starts_with(kTunables)) {
            text += (text.size() > kTunables.size() ? ":" : "") + std::string(kHugePages);
            tuned = true;
        }
        variables.push_back(std::move(text));
    }
    if (!tuned) variables.push_back(std::string(kTunables) + std::string(kHugePages));
    if (parallelThreads > 0)
        variables.push_back(std::string(kThreadLimit) + std::to_string(parallelThreads));
    return variables;
}

// How a run ended, from its wait status (-1: unknown) and whether its time ran out.
LimitedRunResult EndOfRun(int status, bool timedOut, const std::string& program,
                          std::string output) {
    LimitedRunResult result;
    result.output = std::move(output);
    if (status == -1) {
        result.end = RunEnd::Crashed;
        result.error = "its end could not be observed";
    } else if (timedOut || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)) {
        result.end = RunEnd::TimedOut;
    } else if (WIFSIGNALED(status)) {
        result.end = RunEnd::Crashed;
        result.signal = WTERMSIG(status);
    } else if (WEXITSTATUS(status) == 127 && result.output.empty()) {
        result.end = RunEnd::NotStarted;
        result.error = program + " could not be started";
    } else {
        result.end = RunEnd::Exited;
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

}  // namespace

struct LimitedRun::State {
    std::string program;
    pid_t pid = -1;
    int output = -1;  // read end of the child's standard output
    bool timed = false;
    Clock::time_point deadline;
    LimitedRunResult early;  // the result of a run that did not start
    bool waited = false;
};

LimitedRun::LimitedRun(std::unique_ptr<State> state) : state_(std::move(state)) {}

LimitedRun::~LimitedRun() {
    if (state_->waited || state_->pid < 0) return;
    kill(state_->pid, SIGKILL);
    while (waitpid(state_->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    close(state_->output);
}

std::unique_ptr<LimitedRun> LimitedRun::Start(const std::string& hostProgram,
                                              const std::vector<std::string>& arguments,
                                              const ProcessLimits& limits) {
    auto state = std::make_unique<State>();
    state->program = hostProgram;
    LimitedRunResult& result = state->early;
    std::unique_ptr<LimitedRun> run(new LimitedRun(std::move(state)));
    if (access(hostProgram.c_str(), X_OK) != 0) {
        result.error = hostProgram + " cannot be run: " + std::strerror(errno);
        return run;
    }
    std::vector<std::string> words{hostProgram};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::vector<char*> argv = ExecArray(words);
    std::vector<std::string> variables = HelperEnvironment(limits.parallelThreads);
    const std::vector<char*> envp = ExecArray(variables);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.error = std::string("no pipe: ") + std::strerror(errno);
        return run;
    }
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const bool timed = limits.wallTime.count() > 0;
    const auto wholeSeconds = std::chrono::ceil<std::chrono::seconds>(limits.wallTime).count();
    const ChildSetup setup{
        hostProgram.c_str(),
        argv.data(),
        envp.data(),
        pipeFds[1],
        null,
        HighestFd(),
        limits.addressSpaceBytes > 0 ? static_cast<rlim_t>(limits.addressSpaceBytes)
                                     : RLIM_INFINITY,
        // Processor time backs up the caller's clock should the caller itself be gone; the
        // program's threads may use every processor all the time.
        timed ? static_cast<rlim_t>(wholeSeconds * Processors() + 1) : RLIM_INFINITY,
    };
    const pid_t pid = null < 0 ? -1 : fork();
    if (pid == 0) BecomeChild(setup);
    close(pipeFds[1]);
    if (null >= 0) close(null);
    if (pid < 0) {
        close(pipeFds[0]);
        result.error = std::string("cannot start ") + hostProgram + ": " + std::strerror(errno);
        return run;
    }
    fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    run->state_->pid = pid;
    run->state_->output = pipeFds[0];
    run->state_->timed = timed;
    run->state_->deadline = Clock::now() + limits.wallTime;
    return run;
}

LimitedRunResult LimitedRun::Wait(const std::function<void()>& whileWaiting) {
    State& run = *state_;
    if (run.waited || run.pid < 0) {
        run.waited = true;
        return run.early;
    }
    run.waited = true;
    std::string output;
    const pid_t pid = run.pid;
    auto nextWaiting = Clock::now() + kWaitingInterval;
    bool pipeOpen = true;
    bool timedOut = false;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) break;
        if (ended < 0 && errno != EINTR) {  // reaped by someone else: its end is unknown
            status = -1;
            break;
        }
        if (run.timed && Clock::now() >= run.deadline) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            timedOut = true;
            break;
        }
        pollfd ready{run.output, POLLIN, 0};
        if (pipeOpen) {
            if (poll(&ready, 1, kPollMilliseconds) > 0) pipeOpen = Drain(run.output, output);
        } else {
            poll(nullptr, 0, kPollMilliseconds);
        }
        if (whileWaiting && Clock::now() >= nextWaiting) {
            whileWaiting();
            nextWaiting = Clock::now() + kWaitingInterval;
        }
    }
    if (pipeOpen) Drain(run.output, output);
    close(run.output);
    return EndOfRun(status, timedOut, run.program, std::move(output));
}

LimitedRunResult RunLimited(const std::string& hostProgram,
                            const std::vector<std::string>& arguments, const ProcessLimits& limits,
                            const std::function<void()>& whileWaiting) {
    return LimitedRun::Start(hostProgram, arguments, limits)->Wait(whileWaiting);
}

}  // namespace platform

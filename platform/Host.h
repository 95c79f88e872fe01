// Host services that plain host libraries may use as well as the programs: no Qt, no window,
// host paths only. Platform.h includes this header; a library of libs/ includes it alone.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The result of a call that gives no value. A call that gives one returns a struct of its own
// with the same error field beside the value.
struct [[nodiscard]] Outcome {
    std::string error;  // why the call failed; empty when it succeeded
};

// ---------------------------------------------------------------------------------------------
// Short-lived helper programs under limits

struct ProcessLimits {
    uint64_t addressSpaceBytes = 0;         // 0: no limit
    std::chrono::milliseconds wallTime{0};  // 0: no limit
    unsigned parallelThreads = 0;           // 0: no limit; else the threads its OpenMP work may use
};

enum class RunEnd {
    Exited,      // ended by itself; exitCode holds its code
    Crashed,     // ended by a signal it did not ask for (signal holds it)
    TimedOut,    // still running at the end of its time, and ended for it
    NotStarted,  // error says why
};

struct LimitedRunResult {
    RunEnd end = RunEnd::NotStarted;
    int exitCode = 0;
    int signal = 0;
    std::string output;  // its standard output, the first 64 KiB
    std::string error;
};

// Runs a host program with its arguments (host paths, passed as they are) and waits for its
// end. Its address space and time are limited, it leaves no core file, its standard input and
// standard error are empty, and it inherits no other open file; its large allocations go on
// huge pages where the host has them. whileWaiting, when set, runs about every 50 ms while the
// program runs.
LimitedRunResult RunLimited(const std::string& hostProgram,
                            const std::vector<std::string>& arguments, const ProcessLimits& limits,
                            const std::function<void()>& whileWaiting = {});

// The same run, started now and waited for later, so that the caller can work meanwhile; its
// time counts from the start. Destroying a run that was not waited for ends the program.
class LimitedRun {
  public:
    static std::unique_ptr<LimitedRun> Start(const std::string& hostProgram,
                                             const std::vector<std::string>& arguments,
                                             const ProcessLimits& limits);
    ~LimitedRun();
    LimitedRun(const LimitedRun&) = delete;
    LimitedRun& operator=(const LimitedRun&) = delete;

    // Once only.
    LimitedRunResult Wait(const std::function<void()>& whileWaiting = {});

  private:
    struct State;
    explicit LimitedRun(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// ---------------------------------------------------------------------------------------------
// Local services: a long-lived helper that this user's programs reach through a socket

// A folder only this user can enter, for the sockets of such services; empty when none can be
// made or the one found is not this user's alone.
std::string PrivateRuntimeFolder(std::string_view name);

// The host path of the current folder.
std::string CurrentFolder();

// The id of the process that started this one.
int64_t ParentProcessId();

// One connection to a service's socket.
class LocalStream {
  public:
    // Nothing when no service listens there. A send time limit, when given, ends a connect or a
    // write that a service which stopped reading would otherwise hold for ever.
    static std::unique_ptr<LocalStream> Connect(const std::string& socketPath,
                                                std::chrono::milliseconds sendLimit = {});
    ~LocalStream();
    LocalStream(const LocalStream&) = delete;
    LocalStream& operator=(const LocalStream&) = delete;

    bool WriteAll(std::string_view bytes);
    // Exactly count bytes; nothing when the stream ends or fails first.
    std::optional<std::string> ReadExactly(size_t count);

  private:
    explicit LocalStream(int fd) : fd_(fd) {}
    int fd_;
};

// A service just started, watched by its starter until it answers.
class StartedService {
  public:
    ~StartedService();
    StartedService(const StartedService&) = delete;
    StartedService& operator=(const StartedService&) = delete;

    // True once the service's process has ended; where the system cannot watch a process,
    // never, and the starter's own time limit decides.
    bool HasEnded() const;

  private:
    friend std::unique_ptr<StartedService> StartService(const std::string&,
                                                        const std::vector<std::string>&,
                                                        const std::string&);
    StartedService(int watch, bool gone) : watch_(watch), gone_(gone) {}
    int watch_;  // a handle that turns ready when the process ends; -1 when none could be had
    bool gone_;  // the process had ended before it could be watched
};

// Starts a host program that outlives the caller: in a session of its own, in the given
// folder, with empty standard streams and no other open file of the caller. Nothing when it
// could not be started.
std::unique_ptr<StartedService> StartService(const std::string& hostProgram,
                                             const std::vector<std::string>& arguments,
                                             const std::string& folder);

// Ends the service that listens on the socket, when it is this user's, and removes the socket,
// so that the next caller starts a new one; for a service that stopped answering. False when
// no service of this user was found there.
bool EndLocalService(const std::string& socketPath);

// Runs the host program in place of this process with these arguments (the program's own
// name first); returns only when it cannot be run.
void ReplaceProcess(const std::string& hostProgram, const std::vector<std::string>& arguments);

// ---------------------------------------------------------------------------------------------
// The system code page (the C library's locale code set on the host)

// The code set of the C library's character locale, which the program's start takes from the
// environment; UTF-8 when no locale is set. Every library in the process (the rendering
// engine among them) reads the same locale, so they all agree on it.
std::string SystemCodePageName();
// Makes an installed C library locale ("zh_CN.GBK") the character locale of the whole process,
// so its code set becomes the system code page everywhere (tests); false when it is not
// installed. An empty name restores the locale in force before the first change.
[[nodiscard]] bool SetSystemCodePage(const std::string& localeName);
// UTF-8 to the system code page; an unrepresentable character becomes "?".
std::string ToSystemCodePage(std::string_view utf8);
// The system code page to UTF-8; an undecodable byte becomes "?".
std::string FromSystemCodePage(std::string_view bytes);

// ---------------------------------------------------------------------------------------------
// Files of the module

// The host folder of the executable or shared library that this code is linked into (a plain
// library finds the programs beside it this way).
std::string ThisModuleFolder();

// A new empty file of its own in the host's temporary folder, removed with the object.
class ScratchFile {
  public:
    // Nothing when no file can be made there.
    static std::unique_ptr<ScratchFile> Create(std::string_view suffix);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    explicit ScratchFile(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// The bytes of a whole regular file, mapped read-only while the object lives: a large file
// that is read once costs no copy. The file must not be shortened meanwhile.
class MappedFile {
  public:
    // Nothing when the file cannot be opened or mapped, is not a regular file or is empty.
    static std::unique_ptr<MappedFile> Open(const std::string& hostPath);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

  private:
    MappedFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    const uint8_t* data_;
    size_t size_;
};

}  // namespace platform

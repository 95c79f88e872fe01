// Runs one console command line as a hidden child whose standard output and standard error
// come through one pipe, collects what it writes, and returns when the command is over while
// the window stays live.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class ChildProcess;
}

namespace imbinder {

// The executable name whose running processes keep a command run busy; the caller sets it
// before each run ("pdftk.exe" for the merge).
extern std::string WatchProcessName;

class DOSOutputs {
  public:
    // Raised for every chunk read, with its text, in reading order.
    std::function<void(const std::string& commandOutputs)> ReceiveOutputs;
    // Raised once after a started command is over, before ExecuteCommand returns.
    std::function<void()> CommandOver;

    DOSOutputs();
    ~DOSOutputs();
    DOSOutputs(const DOSOutputs&) = delete;
    DOSOutputs& operator=(const DOSOutputs&) = delete;

    const std::string& CommandLine() const { return commandLine_; }
    void SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }
    // Everything collected from the last run.
    const std::string& Outputs() const { return outputs_; }

    // A non-empty argument first replaces CommandLine. Runs it and returns the collected
    // output, or an empty text when nothing could be started.
    std::string ExecuteCommand(const std::string& commandLine = {});

    // True when a running process of this user has that executable name, compared without
    // letter case.
    static bool IsProcessRunning(const std::string& name);

    // The longest a run may last; zero, the default, lets it last until it is over. A run whose
    // child still works at the end of its time is ended with everything it started; other
    // processes of the watched name hold a run no longer than its time.
    void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }
    // True when the last run was ended for its time.
    bool TimedOut() const { return timedOut_; }

    // Starts that failed since the last reset. Only the first of them shows its message, so
    // a build of many runs reports a missing program once; the build resets at its start.
    int FailedStarts() const { return failedStarts_; }
    void ResetFailedStarts() { failedStarts_ = 0; }

  private:
    // Starts CommandLine; on failure shows why, the first time since the last reset.
    std::unique_ptr<platform::ChildProcess> StartChild();

    std::string commandLine_;
    std::string outputs_;
    int failedStarts_ = 0;
    std::chrono::milliseconds timeLimit_{0};
    bool timedOut_ = false;
    // Cleared when the runner is destroyed, which window events may do in the middle of a run.
    std::shared_ptr<bool> alive_;
};

}  // namespace imbinder

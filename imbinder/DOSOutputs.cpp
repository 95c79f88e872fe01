#include "DOSOutputs.h"

#include <chrono>
#include <memory>
#include <optional>

#include "clsWaitableTimer.h"
#include "platform/Platform.h"

namespace imbinder {

std::string WatchProcessName;

namespace {

constexpr size_t kReadSize = 1024;
constexpr int kPollMilliseconds = 50;
// How long the pipe may stay open after the child has ended and no watched process runs.
constexpr std::chrono::seconds kPipeGrace{5};

void ShowFailure(const std::string& text) {
    platform::GetDesktop().ShowMessage(text, std::string(), platform::MessageIcon::Critical);
}

// One started command, watched until it is over: its pipe read a chunk at a time, a few
// seconds' grace for the pipe once the child has ended, and the run's time limit.
class CommandRun {
  public:
    CommandRun(std::unique_ptr<platform::ChildProcess> child, std::chrono::milliseconds limit)
        : child_(std::move(child)),
          runDeadline_(limit.count() > 0 ? Clock::now() + limit : kNoDeadline) {}

    // The text of what the pipe holds now, at most one read's worth; nothing when nothing
    // was read. Once the child has ended, a read also learns whether anything else still
    // holds the pipe: only an empty pipe without writers is its end.
    std::optional<std::string> ReadChunk() {
        childEnded_ = !child_->IsAlive();
        if (pipeAtEnd_ || (child_->BytesWaiting() == 0 && !childEnded_)) return std::nullopt;
        const std::optional<std::string> bytes = child_->Read(kReadSize);
        if (!bytes) pipeAtEnd_ = true;
        if (!bytes || bytes->empty()) return std::nullopt;
        return platform::FromSystemCodePage(*bytes);
    }

    // Whether the run goes on. The watched name can hold a run longer, never end it before
    // the child and its output are done; nothing holds it past its time.
    bool GoesOn(bool watchedRunning) {
        GivePipeItsGrace(watchedRunning);
        const bool done = childEnded_ && pipeAtEnd_;
        if ((done && !watchedRunning) || Clock::now() < runDeadline_) {
            return !done || watchedRunning;
        }
        timedOut_ = !done;
        if (timedOut_) child_->EndAll();
        return false;
    }

    bool TimedOut() const { return timedOut_; }
    void EndAll() { child_->EndAll(); }
    void Close() { child_.reset(); }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::time_point kNoDeadline = Clock::time_point::max();

    // Something the child left behind (a daemon) may hold the pipe open for ever: it gets a
    // few seconds more, then the run stops reading and ends what is left of the group.
    void GivePipeItsGrace(bool watchedRunning) {
        if (!childEnded_ || pipeAtEnd_ || watchedRunning) {
            pipeDeadline_ = kNoDeadline;
            return;
        }
        const auto now = Clock::now();
        if (pipeDeadline_ == kNoDeadline) pipeDeadline_ = now + kPipeGrace;
        if (now >= pipeDeadline_) {
            child_->EndAll();
            pipeAtEnd_ = true;
        }
    }

    std::unique_ptr<platform::ChildProcess> child_;
    const Clock::time_point runDeadline_;
    Clock::time_point pipeDeadline_ = kNoDeadline;
    bool childEnded_ = false;
    bool pipeAtEnd_ = false;
    bool timedOut_ = false;
};

}  // namespace

DOSOutputs::DOSOutputs() : alive_(std::make_shared<bool>(true)) {}

DOSOutputs::~DOSOutputs() { *alive_ = false; }

bool DOSOutputs::IsProcessRunning(const std::string& name) {
    return !platform::FindProcesses(name).empty();
}

std::unique_ptr<platform::ChildProcess> DOSOutputs::StartChild() {
    platform::ChildStart start = platform::ChildProcess::Start(commandLine_);
    if (!start.process && failedStarts_++ == 0) {
        ShowFailure(start.pipeError != 0
                        ? "CreatePipe failed. Error: " + std::to_string(start.pipeError)
                        : "File or command not found");
    }
    return std::move(start.process);
}

std::string DOSOutputs::ExecuteCommand(const std::string& commandLine) {
    if (!commandLine.empty()) commandLine_ = commandLine;
    if (commandLine_.empty()) {
        ShowFailure("Command Line empty");
        return {};
    }
    std::unique_ptr<platform::ChildProcess> child = StartChild();
    if (!child) return {};

    CommandRun run(std::move(child), timeLimit_);
    // A runner destroyed by window events in the middle of a run leaves nobody to wait for
    // the child: it ends, with everything it started, and nothing of the runner is touched.
    const std::shared_ptr<bool> alive = alive_;
    auto abandoned = [&alive, &run] {
        if (*alive) return false;
        run.EndAll();
        return true;
    };
    outputs_.clear();
    timedOut_ = false;
    clsWaitableTimer timer;
    for (bool busy = true; busy;) {
        if (const std::optional<std::string> chunk = run.ReadChunk()) {
            outputs_ += *chunk;
            // A copy, so a handler that destroys the runner does not destroy itself.
            if (const auto receive = ReceiveOutputs) receive(*chunk);
            if (abandoned()) return {};
        }
        busy = run.GoesOn(IsProcessRunning(WatchProcessName));
        platform::Yield();
        if (abandoned()) return {};
        timer.Wait(kPollMilliseconds);
        if (abandoned()) return {};
    }
    timedOut_ = run.TimedOut();
    run.Close();
    if (const auto over = CommandOver) over();
    return *alive ? outputs_ : std::string();
}

}  // namespace imbinder

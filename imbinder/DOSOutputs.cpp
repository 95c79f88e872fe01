#include "DOSOutputs.h"

#include <chrono>

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

}  // namespace

DOSOutputs::DOSOutputs() : alive_(std::make_shared<bool>(true)) {}

DOSOutputs::~DOSOutputs() { *alive_ = false; }

bool DOSOutputs::IsProcessRunning(const std::string& name) {
    return !platform::FindProcesses(name).empty();
}

std::string DOSOutputs::ExecuteCommand(const std::string& commandLine) {
    if (!commandLine.empty()) commandLine_ = commandLine;
    if (commandLine_.empty()) {
        ShowFailure("Command Line empty");
        return {};
    }
    int pipeError = 0;
    std::unique_ptr<platform::ChildProcess> child =
        platform::ChildProcess::Start(commandLine_, nullptr, &pipeError);
    if (!child) {
        if (failedStarts_++ == 0) {
            ShowFailure(pipeError != 0 ? "CreatePipe failed. Error: " + std::to_string(pipeError)
                                       : "File or command not found");
        }
        return {};
    }

    // A runner destroyed by window events in the middle of a run leaves nobody to wait for
    // the child: it ends, with everything it started, and nothing of the runner is touched.
    const std::shared_ptr<bool> alive = alive_;
    auto abandoned = [&alive, &child] {
        if (*alive) return false;
        child->EndAll();
        return true;
    };
    outputs_.clear();
    timedOut_ = false;
    clsWaitableTimer timer;
    bool pipeAtEnd = false;
    constexpr auto kNoDeadline = std::chrono::steady_clock::time_point::max();
    auto pipeDeadline = kNoDeadline;
    const auto runDeadline =
        timeLimit_.count() > 0 ? std::chrono::steady_clock::now() + timeLimit_ : kNoDeadline;
    bool busy = true;
    while (busy) {
        // Once the child has ended, a read also learns whether anything else still holds the
        // pipe: only an empty pipe without writers is its end.
        const bool childEnded = !child->IsAlive();
        if (!pipeAtEnd && (child->BytesWaiting() > 0 || childEnded)) {
            const std::optional<std::string> bytes = child->Read(kReadSize);
            if (!bytes) {
                pipeAtEnd = true;
            } else if (!bytes->empty()) {
                const std::string chunk = platform::FromSystemCodePage(*bytes);
                outputs_ += chunk;
                // A copy, so a handler that destroys the runner does not destroy itself.
                if (const auto receive = ReceiveOutputs) receive(chunk);
                if (abandoned()) return {};
            }
        }
        // The watched name can hold a run longer, never end it before the child and its
        // output are done.
        const bool watchedRunning = IsProcessRunning(WatchProcessName);
        // Something the child left behind (a daemon) may hold the pipe open for ever: it gets
        // a few seconds more, then the run stops reading and ends what is left of the group.
        if (childEnded && !pipeAtEnd && !watchedRunning) {
            const auto now = std::chrono::steady_clock::now();
            if (pipeDeadline == kNoDeadline) pipeDeadline = now + kPipeGrace;
            if (now >= pipeDeadline) {
                child->EndAll();
                pipeAtEnd = true;
            }
        } else {
            pipeDeadline = kNoDeadline;
        }
        busy = !(childEnded && pipeAtEnd) || watchedRunning;
        if (busy && std::chrono::steady_clock::now() >= runDeadline) {
            timedOut_ = !(childEnded && pipeAtEnd);
            if (timedOut_) child->EndAll();
            busy = false;
        }
        platform::Yield();
        if (abandoned()) return {};
        timer.Wait(kPollMilliseconds);
        if (abandoned()) return {};
    }
    child.reset();
    if (const auto over = CommandOver) over();
    return *alive ? outputs_ : std::string();
}

}  // namespace imbinder

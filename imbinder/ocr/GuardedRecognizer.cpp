#include "GuardedRecognizer.h"

#include <utility>

#include "DecodeFaults.h"

namespace ocr {
namespace {

constexpr uint64_t kPixelsPerTimeStep = 1'000'000;
// The recognizer and its language data load in about a second.
constexpr std::chrono::milliseconds kCheckTime{20000};

RecognitionResult Failure(RecognitionFault fault, const std::string& detail = {}) {
    std::string reason = RowOf(fault).reason;
    if (!detail.empty()) reason = decoding::Fill(reason, {detail});
    return {fault, reason};
}

RecognitionResult ResultOf(const platform::LimitedRunResult& run, std::chrono::milliseconds time) {
    switch (run.end) {
        case platform::RunEnd::NotStarted:
            return Failure(RecognitionFault::NoHelper);
        case platform::RunEnd::TimedOut:
            return Failure(RecognitionFault::TimedOut,
                           std::to_string(std::chrono::ceil<std::chrono::seconds>(time).count()));
        case platform::RunEnd::Crashed:
            return Failure(RecognitionFault::Crashed);
        case platform::RunEnd::Exited:
            break;
    }
    if (run.exitCode == 0) return {};
    return Failure(FaultOfExitCode(run.exitCode));
}

}  // namespace

std::chrono::milliseconds RecognitionTime(const RecognitionLimits& limits, uint64_t pixels) {
    const uint64_t steps = (pixels + kPixelsPerTimeStep - 1) / kPixelsPerTimeStep;
    return limits.baseTime + limits.timePerMillionPixels * static_cast<int64_t>(steps);
}

PendingRecognition::~PendingRecognition() = default;

RecognitionResult PendingRecognition::Finish(const std::function<void()>& whileWaiting) {
    if (!run_) return Failure(RecognitionFault::NoHelper);
    const platform::LimitedRunResult run = run_->Wait(whileWaiting);
    run_.reset();
    return ResultOf(run, time_);
}

GuardedRecognizer::GuardedRecognizer(std::string helperProgram, RecognitionLimits limits)
    : helper_(std::move(helperProgram)), limits_(limits) {}

std::unique_ptr<PendingRecognition> GuardedRecognizer::Start(const std::string& bitmap,
                                                             uint64_t width, uint64_t height,
                                                             const std::string& lines) const {
    std::unique_ptr<PendingRecognition> pending(new PendingRecognition());
    pending->time_ = RecognitionTime(limits_, width * height);
    pending->run_ = platform::LimitedRun::Start(helper_, {bitmap, lines},
                                                {limits_.memoryBytes, pending->time_, 1});
    return pending;
}

RecognitionResult GuardedRecognizer::Check() const {
    return ResultOf(
        platform::RunLimited(helper_, {"--check"}, {limits_.memoryBytes, kCheckTime, 1}),
        kCheckTime);
}

}  // namespace ocr

#include "GuardedDecoder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "SystemErrors.h"

namespace decoding {
namespace {

constexpr uint64_t kPixelsPerTimeStep = 10'000'000;
constexpr uint64_t kMegabyte = 1 << 20;

std::chrono::milliseconds SizedTime(const DecodeLimits& limits, uint64_t pixels) {
    const uint64_t steps = (pixels + kPixelsPerTimeStep - 1) / kPixelsPerTimeStep;
    return limits.baseTime + limits.timePer10MillionPixels * static_cast<int64_t>(steps);
}

// The reason for a helper that ended with a fault; a refused size is named when it is known,
// and so is the system's reason for a result that could not be written.
std::string FaultReason(DecodeFault fault, const DecodeResult& sized, const std::string& output) {
    if (fault == DecodeFault::TooLarge && sized.width > 0) {
        platform::Outcome size = CheckPixelSize(sized.width, sized.height);
        if (!size.error.empty()) return std::move(size.error);
    }
    int systemError = 0;
    if (fault == DecodeFault::CannotWrite && std::sscanf(output.c_str(), "%d", &systemError) == 1)
        return ReasonWith(fault, common::SystemErrorText(systemError));
    return ReasonOf(fault);
}

}  // namespace

std::chrono::milliseconds DecodeTime(const DecodeLimits& limits, std::optional<uint64_t> pixels,
                                     uint64_t fileBytes) {
    if (pixels) return SizedTime(limits, *pixels);
    const uint64_t megabytes = fileBytes / kMegabyte;
    const std::chrono::milliseconds forBytes =
        limits.unsizedBaseTime + limits.timePerMegabyte * static_cast<int64_t>(megabytes);
    return std::min(forBytes, SizedTime(limits, kMaximumPixels));
}

std::string HelperBesideThisModule() { return platform::ThisModuleFolder() + "/imdecode"; }

GuardedDecoder::GuardedDecoder(std::string helperProgram, DecodeLimits limits)
    : helper_(std::move(helperProgram)), limits_(limits) {}

PendingDecode::~PendingDecode() = default;

DecodeResult PendingDecode::Finish(const std::function<void()>& whileWaiting) {
    if (!run_) return refused_;
    const platform::LimitedRunResult run = run_->Wait(whileWaiting);
    run_.reset();
    DecodeResult result;
    std::sscanf(run.output.c_str(), "%u %u", &result.width, &result.height);
    switch (run.end) {
        case platform::RunEnd::NotStarted:
            result.error = ReasonWith(DecodeFault::NoHelper, run.error);
            break;
        case platform::RunEnd::TimedOut: {
            const auto seconds = std::chrono::ceil<std::chrono::seconds>(time_).count();
            result.error = ReasonWith(DecodeFault::Damaged,
                                      Fill(phrase::kTimedOut, {std::to_string(seconds)}));
            break;
        }
        case platform::RunEnd::Crashed:
            result.error = ReasonWith(DecodeFault::Damaged, phrase::kCrashed);
            break;
        case platform::RunEnd::Exited:
            if (run.exitCode != 0)
                result.error = FaultReason(FaultOfExitCode(run.exitCode), result, run.output);
            break;
    }
    if (!result.error.empty()) result.width = result.height = 0;
    return result;
}

std::unique_ptr<PendingDecode> GuardedDecoder::StartDecodeToBmp(const std::string& source,
                                                                int format,
                                                                const std::string& bmpPath) const {
    std::unique_ptr<PendingDecode> pending(new PendingDecode());
    const ImageProbe probe = ProbeImage(source, format, HeaderReading::HardenedOnly);
    if (probe.fault != DecodeFault::None) {
        pending->refused_.error = probe.error;
        return pending;
    }
    std::optional<uint64_t> pixels;
    if (probe.sized) pixels = uint64_t{probe.width} * probe.height;
    std::error_code unknownSize;
    const uintmax_t bytes = std::filesystem::file_size(source, unknownSize);
    pending->time_ = DecodeTime(limits_, pixels, unknownSize ? 0 : bytes);
    pending->run_ = platform::LimitedRun::Start(
        helper_, {source, format == kDetectFormat ? "detect" : std::to_string(format), bmpPath},
        {limits_.memoryBytes, pending->time_});
    return pending;
}

DecodeResult GuardedDecoder::DecodeToBmp(const std::string& source, int format,
                                         const std::string& bmpPath,
                                         const std::function<void()>& whileWaiting) const {
    return StartDecodeToBmp(source, format, bmpPath)->Finish(whileWaiting);
}

}  // namespace decoding

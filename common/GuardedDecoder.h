// The one way a user's image file is decoded: the header probe in this process, then the decode
// itself in the helper program imdecode under memory and time limits. A damaged or hostile file
// fails that one image with a reason; it never crashes, hangs or swells the caller.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ImageProbe.h"
#include "platform/Host.h"

namespace decoding {

struct DecodeLimits {
    uint64_t memoryBytes = uint64_t{2} << 30;  // the helper's address space
    std::chrono::milliseconds baseTime{30000};
    std::chrono::milliseconds timePer10MillionPixels{1000};
    // For a file the probe could not size, whose time follows what there is to read.
    std::chrono::milliseconds unsizedBaseTime{5000};
    std::chrono::milliseconds timePerMegabyte{1000};
};

// The helper's time for an image of so many pixels. An image the probe could not size gets
// time for its file's bytes, and never more than the largest image the limits allow.
std::chrono::milliseconds DecodeTime(const DecodeLimits& limits, std::optional<uint64_t> pixels,
                                     uint64_t fileBytes);

struct DecodeResult {
    unsigned width = 0;
    unsigned height = 0;
    std::string error;  // why the image was not decoded; empty on success
};

// The host path of imdecode in the folder of the executable or library that calls this: the
// program folder.
std::string HelperBesideThisModule();

// A decode that runs in the helper while its caller works on; Finish gives its result.
class PendingDecode {
  public:
    ~PendingDecode();
    PendingDecode(const PendingDecode&) = delete;
    PendingDecode& operator=(const PendingDecode&) = delete;

    // Once only; whileWaiting, when set, runs about every 50 ms while the helper works.
    DecodeResult Finish(const std::function<void()>& whileWaiting = {});

  private:
    friend class GuardedDecoder;
    PendingDecode() = default;
    DecodeResult refused_;  // the probe's refusal, when there is no run
    std::unique_ptr<platform::LimitedRun> run_;
    std::chrono::milliseconds time_{0};
};

class GuardedDecoder {
  public:
    explicit GuardedDecoder(std::string helperProgram = HelperBesideThisModule(),
                            DecodeLimits limits = {});

    // Decodes source, in the FreeImage format code given or kDetectFormat, into a 24-bit BMP
    // file at bmpPath (all host paths). whileWaiting, when set, runs about every 50 ms while the
    // helper works.
    DecodeResult DecodeToBmp(const std::string& source, int format, const std::string& bmpPath,
                             const std::function<void()>& whileWaiting = {}) const;
    // The same decode, started now; the header probe is done before it returns.
    std::unique_ptr<PendingDecode> StartDecodeToBmp(const std::string& source, int format,
                                                    const std::string& bmpPath) const;

  private:
    std::string helper_;
    DecodeLimits limits_;
};

}  // namespace decoding

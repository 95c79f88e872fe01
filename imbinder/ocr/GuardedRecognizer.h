// The runs of the text recognizer imocr, each under limits of memory and of time by the
// picture's size, with one thread for the recognizer: a page takes one processor, so two pages
// can be read at once, and a hostile picture or a recognizer fault ends only the helper.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "RecognitionFaults.h"
#include "platform/Host.h"

namespace ocr {

struct RecognitionLimits {
    uint64_t memoryBytes = uint64_t{1} << 30;
    std::chrono::milliseconds baseTime{30000};
    std::chrono::milliseconds timePerMillionPixels{3000};
};

// The time a picture of pixels pixels may take.
std::chrono::milliseconds RecognitionTime(const RecognitionLimits& limits, uint64_t pixels);

struct RecognitionResult {
    RecognitionFault fault = RecognitionFault::None;
    std::string error;  // the reason the user reads; empty when the lines were written
};

class PendingRecognition {
  public:
    ~PendingRecognition();
    // Waits for the helper; whileWaiting runs about every 50 ms meanwhile. Once only.
    RecognitionResult Finish(const std::function<void()>& whileWaiting = {});

  private:
    friend class GuardedRecognizer;
    PendingRecognition() = default;
    std::unique_ptr<platform::LimitedRun> run_;
    std::chrono::milliseconds time_{0};
};

class GuardedRecognizer {
  public:
    // helperProgram: the host path of imocr.
    explicit GuardedRecognizer(std::string helperProgram, RecognitionLimits limits = {});

    // Starts reading the 24-bit BMP at bitmap (host path) of width x height pixels; the lines
    // go to lines (host path).
    std::unique_ptr<PendingRecognition> Start(const std::string& bitmap, uint64_t width,
                                              uint64_t height, const std::string& lines) const;

    // Whether the recognizer and its language data are there; waits for the helper.
    RecognitionResult Check() const;

  private:
    std::string helper_;
    RecognitionLimits limits_;
};

}  // namespace ocr

// The images of a build, decoded by the helper a few ahead of the page being written so that
// both processors work, and handed over in the list's order with the bitmap at kBitmapPath.
// With text recognition, each decoded bitmap is read by the recognizer as soon as it is there,
// so that the next image is read while the current page is written.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GuardedDecoder.h"
#include "ocr/GuardedRecognizer.h"

namespace imbinder {

// The bitmap the page writer draws.
inline constexpr const char* kBitmapPath = "c:\\tmp\\tmp.bmp";
inline constexpr int kDecodesAhead = 2;

// Where the helper leaves the bitmap of image i until its page is written.
std::string DecodedBitmapPath(int i);
// Where the recognizer leaves the text of image i until its page is written.
std::string RecognitionFilePath(int i);

struct AheadImage {
    decoding::DecodeResult decoded;
    std::string recognition;       // the recognition file (Windows form); empty when there is none
    std::string recognitionError;  // why a decoded image that was to be read has no file
};

class DecodeAhead {
  public:
    // images are Windows-form paths; the decoder and the recognizer outlive this. Without a
    // recognizer no text is read.
    DecodeAhead(const decoding::GuardedDecoder& decoder, std::vector<std::string> images,
                const ocr::GuardedRecognizer* recognizer = nullptr);

    // The next image's decode, with its bitmap at kBitmapPath, or why it has none; the bitmap of
    // the image before is gone either way. whileWaiting runs while the helpers work.
    AheadImage Next(const std::function<void()>& whileWaiting);

  private:
    struct InFlight {
        int index = 0;
        std::unique_ptr<decoding::PendingDecode> decode;
        std::optional<decoding::DecodeResult> decoded;
        std::unique_ptr<ocr::PendingRecognition> recognition;
    };
    InFlight Start(int i) const;
    // Waits for the image's decode, then starts reading its text.
    void Decoded(InFlight& image, const std::function<void()>& whileWaiting) const;

    const decoding::GuardedDecoder& decoder_;
    std::vector<std::string> images_;
    const ocr::GuardedRecognizer* recognizer_;
    std::deque<InFlight> ahead_;
    int started_ = 0;
    int next_ = 0;
};

}  // namespace imbinder

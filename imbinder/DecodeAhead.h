// The images of a build, decoded by the helper a few ahead of the page being written so that
// both processors work, and handed over in the list's order with the bitmap at kBitmapPath.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GuardedDecoder.h"

namespace imbinder {

// The bitmap the page writer draws.
inline constexpr const char* kBitmapPath = "c:\\tmp\\tmp.bmp";
inline constexpr int kDecodesAhead = 2;

// Where the helper leaves the bitmap of image i until its page is written.
std::string DecodedBitmapPath(int i);

class DecodeAhead {
  public:
    // images are Windows-form paths; the decoder outlives this.
    DecodeAhead(const decoding::GuardedDecoder& decoder, std::vector<std::string> images);

    // The next image's decode, with its bitmap at kBitmapPath, or why it has none; the bitmap of
    // the image before is gone either way. whileWaiting runs while the helper works.
    decoding::DecodeResult Next(const std::function<void()>& whileWaiting);

  private:
    std::unique_ptr<decoding::PendingDecode> Start(int i) const;

    const decoding::GuardedDecoder& decoder_;
    std::vector<std::string> images_;
    std::deque<std::unique_ptr<decoding::PendingDecode>> ahead_;
    int started_ = 0;
    int next_ = 0;
};

}  // namespace imbinder

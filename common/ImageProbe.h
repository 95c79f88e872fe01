// The header probe every decode of a user's image starts with: which format the file holds and
// how large its header says it is, read without taking any pixel memory, and the refusal of an
// image larger than the limits.
#pragma once

#include <cstdint>
#include <string>

#include "DecodeFaults.h"
#include "platform/Host.h"

namespace decoding {

// The format code that asks for the format to be found from the file (FreeImage's FIF_UNKNOWN).
inline constexpr int kDetectFormat = -1;

// An image over either limit is refused before it is decoded.
inline constexpr uint64_t kMaximumPixels = 300'000'000;
inline constexpr unsigned kMaximumSide = 65535;

enum class HeaderReading {
    // In the caller's own process: only this program's readers of fixed-layout headers
    // (ImageHeaders.h), which never decode. Other formats stay unsized.
    HardenedOnly,
    // In the limited helper: those readers, then, for the other formats, FreeImage's loaders
    // that can stop after the header.
    EveryLoader,
};

struct ImageProbe {
    int format = kDetectFormat;  // FreeImage format code
    unsigned width = 0;
    unsigned height = 0;
    bool sized = false;  // width and height come from the header
    bool plain = false;  // a sized PNG or uncompressed BMP, safe to decode in the caller's process
    DecodeFault fault = DecodeFault::None;
    std::string error;  // why the image is refused; empty when it may be decoded
};

// The format is the one the file's signature shows; a file without a known signature is taken
// in requestedFormat, or with kDetectFormat in the format its name's extension stands for.
ImageProbe ProbeImage(const std::string& hostPath, int requestedFormat, HeaderReading reading);

// Fails with the refusal text when the size is over the limits.
platform::Outcome CheckPixelSize(uint64_t width, uint64_t height);

}  // namespace decoding

// The output formats by their engine codes, with each format's file extension, writer and
// largest page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "PageEncoder.h"

namespace quirel {

// The highest resolution every format can record in its header: JPEG's density is 16 bits
// wide (BMP's and PNG's pixels per metre would overflow near 54,000 and 109,000 DPI).
constexpr int32_t kMaxDpi = 65535;

struct ImageFormat {
    int32_t code;
    const char* extension;
    std::unique_ptr<PageEncoder> (*newEncoder)(const std::string& path, const PageGeometry& page);
    int64_t maxSide;       // pixels, either side
    uint64_t maxRawBytes;  // bound on width * 4 * height, the size fields of the file
};

// Null for an unknown code.
const ImageFormat* FindFormat(int32_t code);

bool Fits(const ImageFormat& format, const PageGeometry& page);

}  // namespace quirel

// The output formats by their engine codes, with each format's file extension, writer and
// largest page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "PageEncoder.h"

namespace quirel {

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

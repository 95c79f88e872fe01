// A 24-bit uncompressed BMP file seen in place: the bitmap the image decoder leaves for the
// writer, read without a copy. Anything else is not seen, and takes the decoder's way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pdfctl32 {

struct BgrBitmap {
    unsigned width = 0;
    unsigned height = 0;
    const uint8_t* top = nullptr;  // the top row: blue, green, red for each pixel
    std::ptrdiff_t stride = 0;     // from one row to the row below it
    uint16_t xDpi = 0;
    uint16_t yDpi = 0;

    const uint8_t* Row(unsigned y) const { return top + static_cast<std::ptrdiff_t>(y) * stride; }
    // Every pixel has equal blue, green and red.
    bool IsGrey() const;
};

// Nothing unless the bytes are a BMP with an information header of 40 bytes or more, one
// plane, 24 bits a pixel, no compression, and all its rows inside the bytes.
std::optional<BgrBitmap> SeeBgrBitmap(const uint8_t* bytes, size_t size);

}  // namespace pdfctl32

#include "BgrBitmap.h"

#include <algorithm>
#include <cmath>

namespace pdfctl32 {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kMinimumInfoSize = 40;
constexpr int32_t kLargestSide = 65535;

uint32_t Little32(const uint8_t* at) {
    return at[0] | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

uint16_t Little16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// Dots per inch from pixels per metre, rounded as the image library rounds them.
uint16_t DotsPerInch(uint32_t pixelsPerMetre) {
    return static_cast<uint16_t>(std::min(65535.0, std::floor(0.5 + 0.0254 * pixelsPerMetre)));
}

}  // namespace

bool BgrBitmap::IsGrey() const {
    const size_t rowBytes = size_t{width} * 3;
    for (unsigned y = 0; y < height; ++y) {
        const uint8_t* pixel = Row(y);
        uint8_t difference = 0;  // over the whole row, so that the loop has no branch
        for (size_t i = 0; i < rowBytes; i += 3)
            difference |= (pixel[i] ^ pixel[i + 1]) | (pixel[i + 1] ^ pixel[i + 2]);
        if (difference != 0) return false;
    }
    return true;
}

std::optional<BgrBitmap> SeeBgrBitmap(const uint8_t* bytes, size_t size) {
    if (size < kFileHeaderSize + kMinimumInfoSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    const uint8_t* info = bytes + kFileHeaderSize;
    const uint32_t pixelsAt = Little32(bytes + 10);
    const uint32_t infoSize = Little32(info);
    const auto width = static_cast<int32_t>(Little32(info + 4));
    const auto height = static_cast<int32_t>(Little32(info + 8));
    if (infoSize < kMinimumInfoSize || Little16(info + 12) != 1 || Little16(info + 14) != 24 ||
        Little32(info + 16) != 0 || width <= 0 || width > kLargestSide || height == 0 ||
        height < -kLargestSide || height > kLargestSide ||
        pixelsAt < kFileHeaderSize + uint64_t{infoSize}) {
        return std::nullopt;
    }
    const auto rows = static_cast<unsigned>(std::abs(height));
    const size_t stride = (size_t{static_cast<unsigned>(width)} * 3 + 3) & ~size_t{3};
    if (pixelsAt > size || (size - pixelsAt) / stride < rows) return std::nullopt;

    BgrBitmap bitmap;
    bitmap.width = static_cast<unsigned>(width);
    bitmap.height = rows;
    // A positive height stores the rows from the bottom up.
    const uint8_t* pixels = bytes + pixelsAt;
    bitmap.top = height > 0 ? pixels + (rows - 1) * stride : pixels;
    bitmap.stride =
        height > 0 ? -static_cast<std::ptrdiff_t>(stride) : static_cast<std::ptrdiff_t>(stride);
    bitmap.xDpi = DotsPerInch(Little32(info + 24));
    bitmap.yDpi = DotsPerInch(Little32(info + 28));
    return bitmap;
}

}  // namespace pdfctl32

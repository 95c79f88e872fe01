#include "Formats.h"

#include "Encoders.h"
#include "Quirel.h"

namespace quirel {
namespace {

// Beyond a million pixels a side even one row of a band gets unreasonable.
constexpr int64_t kAnySide = 1 << 20;
// Four thousand million pixels (16 GiB counted at 4 bytes a pixel) would take hours; an A0
// page at 1000 DPI has 1.5 thousand million.
constexpr uint64_t kAnySize = uint64_t{16} << 30;
// BMP and classic TIFF hold offsets and sizes in 32 bits.
constexpr uint64_t kFourGigabytes = 0xFFFFFFFFull - 0x10000;

constexpr ImageFormat kFormats[] = {
    {QUIREL_BMP, "bmp", NewBmpEncoder, kAnySide, kFourGigabytes},
    {QUIREL_JPEG, "jpg", NewJpegEncoder, 65500, kAnySize},
    {QUIREL_PNG, "png", NewPngEncoder, kAnySide, kAnySize},
    {QUIREL_GIF, "gif", NewGifEncoder, 65535, kAnySize},
    {QUIREL_TIFF, "tif", NewTiffEncoder, kAnySide, kFourGigabytes},
};

}  // namespace

const ImageFormat* FindFormat(int32_t code) {
    for (const ImageFormat& format : kFormats)
        if (format.code == code) return &format;
    return nullptr;
}

bool Fits(const ImageFormat& format, const PageGeometry& page) {
    const auto rowBytes = static_cast<uint64_t>(page.width) * 4;  // BMP rows round up to 4
    return page.width <= format.maxSide && page.height <= format.maxSide &&
           rowBytes * static_cast<uint64_t>(page.height) <= format.maxRawBytes;
}

}  // namespace quirel

#include "JpegEncoder.h"

#include <FreeImage.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

namespace pdfctl32 {
namespace {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

struct MemoryDeleter {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryDeleter>;

FREE_IMAGE_FORMAT DetectFormat(const std::string& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path.c_str());
    return format;
}

// Many programs write 32-bit BMP files with the fourth byte always zero, meaning no
// transparency at all; taken as alpha it would blank the whole page, so an alpha channel that
// is zero everywhere counts as absent.
bool HasAlpha(FIBITMAP* bitmap) {
    if (!FreeImage_IsTransparent(bitmap)) return false;
    if (FreeImage_GetBPP(bitmap) != 32) return true;
    const unsigned width = FreeImage_GetWidth(bitmap);
    const unsigned height = FreeImage_GetHeight(bitmap);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            if (line[4 * x + FI_RGBA_ALPHA] != 0) return true;
        }
    }
    return false;
}

// Brings any decoded bitmap to one of the two layouts the JPEG encoder takes.
Bitmap ToJpegLayout(Bitmap bitmap) {
    if (!bitmap) return bitmap;  // a conversion that failed
    switch (FreeImage_GetImageType(bitmap.get())) {
        case FIT_BITMAP:
            break;
        case FIT_RGB16:
            return ToJpegLayout(Bitmap(FreeImage_ConvertTo24Bits(bitmap.get())));
        case FIT_RGBA16:
            return ToJpegLayout(Bitmap(FreeImage_ConvertTo32Bits(bitmap.get())));
        case FIT_RGBF:
        case FIT_RGBAF:
            return Bitmap(FreeImage_ToneMapping(bitmap.get(), FITMO_DRAGO03));
        default:  // one-channel samples of 16 bits and more, floats, complex numbers
            return Bitmap(FreeImage_ConvertToStandardType(bitmap.get(), TRUE));
    }
    if (HasAlpha(bitmap.get())) {
        // Compositing takes 8-bit palette or 32-bit images only; a 1- or 4-bit palette with a
        // transparent colour first becomes 32-bit, its transparent entries turning into alpha.
        const unsigned bitsPerPixel = FreeImage_GetBPP(bitmap.get());
        if (bitsPerPixel != 8 && bitsPerPixel != 32) {
            bitmap.reset(FreeImage_ConvertTo32Bits(bitmap.get()));
            if (!bitmap) return bitmap;
        }
        RGBQUAD white = {255, 255, 255, 0};
        return Bitmap(FreeImage_Composite(bitmap.get(), FALSE, &white, nullptr));
    }
    const FREE_IMAGE_COLOR_TYPE colorType = FreeImage_GetColorType(bitmap.get());
    const unsigned bitsPerPixel = FreeImage_GetBPP(bitmap.get());
    if (bitsPerPixel == 8 && colorType == FIC_MINISBLACK) return bitmap;
    if (colorType == FIC_MINISBLACK || colorType == FIC_MINISWHITE) {
        return Bitmap(FreeImage_ConvertToGreyscale(bitmap.get()));
    }
    if (bitsPerPixel == 24) return bitmap;
    return Bitmap(FreeImage_ConvertTo24Bits(bitmap.get()));
}

}  // namespace

JpegResult EncodeImageFileAsJpeg(const std::string& path, int quality) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return {{}, "The image file " + path + " does not exist."};
    }
    const FREE_IMAGE_FORMAT format = DetectFormat(path);
    Bitmap bitmap;
    if (format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format)) {
        bitmap.reset(FreeImage_Load(format, path.c_str(), 0));
    }
    if (bitmap) bitmap = ToJpegLayout(std::move(bitmap));
    if (!bitmap) return {{}, "The image file " + path + " cannot be decoded."};

    // FreeImage reads a quality of 0 as "use the default", so the lowest it takes is 1.
    const int flags = std::clamp(quality, 1, 100) | JPEG_BASELINE;
    Memory memory(FreeImage_OpenMemory());
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!memory || !FreeImage_SaveToMemory(FIF_JPEG, bitmap.get(), memory.get(), flags) ||
        !FreeImage_AcquireMemory(memory.get(), &data, &size) || size == 0) {
        return {{}, "The image file " + path + " cannot be encoded as JPEG."};
    }
    return {std::vector<uint8_t>(data, data + size), {}};
}

}  // namespace pdfctl32

#include "BitmapLayout.h"

namespace decoding {
namespace {

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

Bitmap OnWhite(Bitmap bitmap) {
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

}  // namespace

Bitmap ToPlainLayout(Bitmap bitmap, Grey grey) {
    if (!bitmap) return bitmap;  // a conversion that failed
    switch (FreeImage_GetImageType(bitmap.get())) {
        case FIT_BITMAP:
            break;
        case FIT_UINT16:  // 16-bit grey: the high byte of each sample
            return ToPlainLayout(Bitmap(FreeImage_ConvertTo8Bits(bitmap.get())), grey);
        case FIT_RGB16:
            return ToPlainLayout(Bitmap(FreeImage_ConvertTo24Bits(bitmap.get())), grey);
        case FIT_RGBA16:
            return ToPlainLayout(Bitmap(FreeImage_ConvertTo32Bits(bitmap.get())), grey);
        case FIT_RGBF:
        case FIT_RGBAF:
            return ToPlainLayout(Bitmap(FreeImage_ToneMapping(bitmap.get(), FITMO_DRAGO03)), grey);
        default:  // other one-channel samples of 16 bits and more, floats, complex numbers
            return ToPlainLayout(Bitmap(FreeImage_ConvertToStandardType(bitmap.get(), TRUE)), grey);
    }
    if (HasAlpha(bitmap.get())) return OnWhite(std::move(bitmap));
    const FREE_IMAGE_COLOR_TYPE colorType = FreeImage_GetColorType(bitmap.get());
    const unsigned bitsPerPixel = FreeImage_GetBPP(bitmap.get());
    const bool isGrey = colorType == FIC_MINISBLACK || colorType == FIC_MINISWHITE;
    if (isGrey && grey == Grey::StaysGrey) {
        if (bitsPerPixel == 8 && colorType == FIC_MINISBLACK) return bitmap;
        return Bitmap(FreeImage_ConvertToGreyscale(bitmap.get()));
    }
    if (bitsPerPixel == 24) return bitmap;
    return Bitmap(FreeImage_ConvertTo24Bits(bitmap.get()));
}

}  // namespace decoding

// Brings any bitmap FreeImage decodes to the plain layouts its savers take: 24-bit colour, or
// 8-bit grey where the caller can keep grey. Every decodable image keeps its own content:
// 16-bit samples keep their high byte, palettes their colours, and transparent pixels are laid
// over white, as they would look on a printed page.
#pragma once

#include <FreeImage.h>

#include <memory>

namespace decoding {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

enum class Grey { BecomesColour, StaysGrey };

// The bitmap in 24-bit colour (or 8-bit grey when grey stays grey); nothing when a conversion
// fails, which is a lack of memory.
Bitmap ToPlainLayout(Bitmap bitmap, Grey grey);

}  // namespace decoding

// The file writers, one per output format. Each opens its file on construction and throws
// WriteError when it cannot.
#pragma once

#include <memory>
#include <string>

#include "PageEncoder.h"

namespace quirel {

std::unique_ptr<PageEncoder> NewBmpEncoder(const std::string& path, const PageGeometry& page);
std::unique_ptr<PageEncoder> NewJpegEncoder(const std::string& path, const PageGeometry& page);
std::unique_ptr<PageEncoder> NewPngEncoder(const std::string& path, const PageGeometry& page);
std::unique_ptr<PageEncoder> NewGifEncoder(const std::string& path, const PageGeometry& page);
std::unique_ptr<PageEncoder> NewTiffEncoder(const std::string& path, const PageGeometry& page);

// The PNG row filters the writer may use: chosen band by band from a sample of its rows (what
// exports use), or one of them throughout.
enum class PngFilters { PerBand, None, Up };
std::unique_ptr<PageEncoder> NewPngEncoder(const std::string& path, const PageGeometry& page,
                                           PngFilters filters);

// Pixels per metre for a resolution in dots per inch, as BMP and PNG store it.
inline uint32_t PixelsPerMetre(int dpi) { return static_cast<uint32_t>(dpi / 0.0254 + 0.5); }

}  // namespace quirel

// Turns an image file of any format FreeImage reads into JPEG bytes that a PDF can embed as
// they are: grey stays grey (8-bit grey, and 24-bit bitmaps whose pixels are all grey),
// everything else becomes 24-bit colour, and transparent pixels are laid over white, as they
// would look on a printed page. The file is decoded through the guarded decoder, so a damaged
// or hostile file only fails with its reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdfctl32 {

struct JpegResult {
    std::vector<uint8_t> bytes;  // empty on failure
    std::string error;
};

// quality runs from 0 (the encoder's lowest) to 100; values outside are clamped.
JpegResult EncodeImageFileAsJpeg(const std::string& path, int quality);

}  // namespace pdfctl32

// The JPEG of a 24-bit bitmap seen in place, made by libjpeg straight from its rows with the
// settings the image library's own JPEG saver uses. A bitmap whose pixels are all grey becomes
// a grey JPEG: the page looks the same, and is a third of the work and of the size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BgrBitmap.h"

namespace pdfctl32 {

// Empty when libjpeg fails (which is a lack of memory); quality runs from 1 to 100.
std::vector<uint8_t> EncodeBgrBitmapAsJpeg(const BgrBitmap& bitmap, int quality);

}  // namespace pdfctl32

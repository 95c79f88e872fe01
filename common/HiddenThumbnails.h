// Files carry thumbnails beside their image: a JPEG's Exif (the second directory of its APP1
// block) and JFXX (APP0) ones, a TIFF's further directories, SubIFDs and image resources (tag
// 34377), a PSD's thumbnail and Exif resources, a WebP's Exif chunk. FreeImage's loaders decode
// each in full whatever size it claims, even for a header, and before the image itself. The helper
// hands FreeImage the file as seen through a few overwritten bytes that leave those thumbnails
// unreachable and the image, its orientation tag included, as it is.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace decoding {

struct BytePatch {
    uint64_t offset = 0;
    std::string bytes;  // seen in place of the file's own
};

// The patches that hide the thumbnails of a file in that FreeImage format (none for the others).
std::vector<BytePatch> ThumbnailPatches(int format, std::istream& file);

// FreeImage_Load of the file seen through its ThumbnailPatches.
FIBITMAP* LoadWithoutThumbnails(int format, const std::string& path, int flags);

}  // namespace decoding

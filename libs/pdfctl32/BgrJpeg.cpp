#include "BgrJpeg.h"

#include <cstdlib>

#include "JumpingJpegErrors.h"

namespace pdfctl32 {
namespace {

constexpr unsigned kRowsAtOnce = 16;

void FeedRows(jpeg_compress_struct& info, const BgrBitmap& bitmap, uint8_t* greyRows) {
    JSAMPROW rows[kRowsAtOnce];
    while (info.next_scanline < info.image_height) {
        const unsigned first = info.next_scanline;
        unsigned count = 0;
        for (; count < kRowsAtOnce && first + count < bitmap.height; ++count) {
            const uint8_t* row = bitmap.Row(first + count);
            if (greyRows == nullptr) {
                rows[count] = const_cast<JSAMPROW>(row);  // libjpeg only reads its input
                continue;
            }
            uint8_t* grey = greyRows + size_t{count} * bitmap.width;
            for (unsigned x = 0; x < bitmap.width; ++x) grey[x] = row[size_t{x} * 3];
            rows[count] = grey;
        }
        jpeg_write_scanlines(&info, rows, count);
    }
}

// libjpeg reports a failure by jumping out of the call, so nothing here owns memory that a
// destructor would free: the output buffer is libjpeg's until it is handed back.
bool Compress(const BgrBitmap& bitmap, int quality, uint8_t* greyRows, unsigned char** output,
              unsigned long* size) {
    common::JumpingJpegErrors errors{};
    jpeg_compress_struct info{};
    info.err = common::UseJumpingErrors(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, size);
    info.image_width = bitmap.width;
    info.image_height = bitmap.height;
    info.input_components = greyRows ? 1 : 3;
    info.in_color_space = greyRows ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.density_unit = 1;  // dots per inch
    info.X_density = bitmap.xDpi;
    info.Y_density = bitmap.yDpi;
    jpeg_start_compress(&info, TRUE);
    FeedRows(info, bitmap, greyRows);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeBgrBitmapAsJpeg(const BgrBitmap& bitmap, int quality) {
    std::vector<uint8_t> greyRows;
    if (bitmap.IsGrey()) greyRows.resize(size_t{bitmap.width} * kRowsAtOnce);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    const bool compressed =
        Compress(bitmap, quality, greyRows.empty() ? nullptr : greyRows.data(), &output, &size);
    std::vector<uint8_t> bytes;
    if (compressed) bytes.assign(output, output + size);
    std::free(output);
    return bytes;
}

}  // namespace pdfctl32

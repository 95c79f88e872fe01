#include "HostileImages.h"

// clang-format off: libjpeg's header needs the C library's FILE and size_t before it.
#include <jpeglib.h>

#include <cstdio>
// clang-format on

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace hostile {
namespace {

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Put32BigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

// One PNG chunk with its checksum (the usual CRC-32 of type and data).
std::string PngChunk(const std::string& type, const std::string& data) {
    std::string chunk;
    Put32BigEndian(chunk, static_cast<uint32_t>(data.size()));
    const std::string covered = type + data;
    uint32_t crc = 0xFFFFFFFF;
    for (const char c : covered) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return chunk + covered + [&] {
        std::string tail;
        Put32BigEndian(tail, ~crc);
        return tail;
    }();
}

void Put16BigEndian(std::string& out, uint32_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

// One little-endian TIFF directory entry of one SHORT (3) or LONG (4) or IFD (13) value.
void PutEntry(std::string& out, uint16_t tag, uint16_t type, uint32_t value) {
    Put16(out, tag);
    Put16(out, type);
    Put32(out, 1);
    if (type == 3) {
        Put16(out, value);
        Put16(out, 0);
    } else {
        Put32(out, value);
    }
}

// A small grey JPEG whose frame header then claims width x height.
std::string JpegClaiming(unsigned width, unsigned height) {
    std::string jpeg = EncodeJpeg(8, 8, JpegColours::Grey, [](unsigned x, unsigned y, int) {
        return static_cast<JSAMPLE>(16 * (x + y));
    });
    const size_t frame = jpeg.find("\xFF\xC0");  // length, precision, height, width follow
    std::string sides;
    Put16BigEndian(sides, height);
    Put16BigEndian(sides, width);
    return jpeg.replace(frame + 5, 4, sides);
}

}  // namespace

std::string EncodeJpeg(unsigned width, unsigned height, JpegColours colours,
                       const std::function<uint8_t(unsigned, unsigned, int)>& sample) {
    const int components = colours == JpegColours::Grey ? 1 : 4;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = colours == JpegColours::Grey ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&info);
    info.write_Adobe_marker = colours == JpegColours::AdobeCmyk;
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t{width} * components);
    while (info.next_scanline < height) {
        for (unsigned x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c)
                row[x * components + c] = sample(x, info.next_scanline, c);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return jpeg;
}

std::string GifBomb() {
    std::string gif = "GIF89a";
    Put16(gif, 65535);  // logical screen
    Put16(gif, 65535);
    gif += std::string("\0\0\0", 3);  // no colour table, background, aspect
    gif += ',';                       // the frame: at 0,0 and as large as the screen
    Put32(gif, 0);
    Put16(gif, 65535);
    Put16(gif, 65535);
    gif += '\0';
    gif += std::string("\x02\x02\x44\x01\x00;", 6);  // a little pixel data, then the end
    gif.resize(35, '\0');
    return gif;
}

std::string PngBomb() {
    std::string header;
    Put32BigEndian(header, 65535);
    Put32BigEndian(header, 65535);
    header += std::string("\x08\x02\0\0\0", 5);  // 8-bit RGB, no interlace
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) +
           PngChunk("IDAT", std::string("\x78\x9C\x63\x60\x00\x00\x00\x02\x00\x01\x00\x00", 12)) +
           PngChunk("IEND", "");
}

std::string BmpBomb() {
    std::string bmp = "BM";
    Put32(bmp, 154);
    Put32(bmp, 0);
    Put32(bmp, 54);
    Put32(bmp, 40);
    Put32(bmp, 65535);
    Put32(bmp, 65535);
    Put32(bmp, 1 | (24 << 16));  // one plane, 24 bits a pixel
    Put32(bmp, 0);               // uncompressed
    for (int i = 0; i < 5; ++i) Put32(bmp, 0);
    bmp.resize(154, '\0');
    return bmp;
}

std::string PcxBomb() {
    std::string pcx = std::string("\x0A\x05\x01\x08", 4);  // version 5, run-length coded, 8 bits
    Put16(pcx, 0);
    Put16(pcx, 0);
    Put16(pcx, 65534);  // the last column and row
    Put16(pcx, 65534);
    Put16(pcx, 72);
    Put16(pcx, 72);
    pcx += std::string(48, '\0');
    pcx += std::string("\0\x03", 2);  // three colour planes
    Put16(pcx, 65535);                // bytes a line
    Put16(pcx, 1);
    pcx.resize(128, '\0');
    for (int i = 0; i < 8; ++i) pcx += std::string("\xC1\x00", 2);
    return pcx;
}

std::string IffBomb() {
    std::string iff = "FORM";
    Put32BigEndian(iff, 4 + 28 + 12);
    iff += "ILBMBMHD";
    Put32BigEndian(iff, 20);
    Put16BigEndian(iff, 65535);
    Put16BigEndian(iff, 65535);
    iff += std::string("\0\0\0\0\x08\0\x01\0\0\0\x0A\x0B", 12);  // 8 planes, run-length coded
    Put16BigEndian(iff, 65535);
    Put16BigEndian(iff, 65535);
    iff += "BODY";
    Put32BigEndian(iff, 4);
    return iff + std::string("\x7F\0\0\0", 4);
}

std::string PsdBomb() {
    std::string psd = "8BPS";
    psd += std::string("\0\x01", 2) + std::string(6, '\0') + std::string("\0\x03", 2);
    Put32BigEndian(psd, 65535);  // height, then width
    Put32BigEndian(psd, 65535);
    psd += std::string("\0\x08\0\x03", 4);  // 8 bits a sample, RGB
    psd += std::string(12, '\0');           // no colour table, resources, layers
    return psd + std::string("\0\0", 2) + std::string(16, '\x55');  // raw rows
}

std::string IcoBomb() {
    const std::string png = PngBomb();
    std::string ico = std::string("\0\0\x01\0\x01\0", 6);  // an icon of one entry
    ico += std::string("\0\0\0\0", 4);                     // 256 x 256, no palette
    Put16(ico, 1);
    Put16(ico, 32);
    Put32(ico, static_cast<uint32_t>(png.size()));
    Put32(ico, 22);
    return ico + png;
}

std::string HangingIff() {
    std::string iff = "FORM";
    Put32BigEndian(iff, 11);
    return iff + "ILBMBMHD" + std::string(3, '\0');
}

std::string DamagedIff() {
    std::string iff = "FORM";
    Put32BigEndian(iff, 783 - 8);
    iff += "ILBMBMHD";
    Put32BigEndian(iff, 20);
    Put16BigEndian(iff, 32);
    Put16BigEndian(iff, 16);
    iff += std::string("\0\0\0\0\x08\0\x01\0\0\0\x0A\x0B", 12);
    Put16BigEndian(iff, 32);
    Put16BigEndian(iff, 16);
    iff += "CMAP";
    Put32BigEndian(iff, 48);
    for (int i = 0; i < 48; ++i) iff += static_cast<char>(i * 5);
    iff += "BODX";
    Put32BigEndian(iff, 0xFFFF);
    for (int i = 0; iff.size() < 783; ++i) iff += static_cast<char>(i * 37);
    return iff;
}

std::string JpegFrameBomb() { return JpegClaiming(30000, 30000); }

std::string CmykPhotoWithThumbnailBombs() {
    std::string photo =
        EncodeJpeg(1269, 1644, JpegColours::AdobeCmyk, [](unsigned x, unsigned y, int c) {
            const unsigned shades[] = {x / 5, y / 7, (x + y) / 12, 40};
            return static_cast<JSAMPLE>(shades[c]);
        });
    const std::string thumbnail = JpegClaiming(30000, 30000);
    // The Exif block: the first directory holds the orientation (upright) and leads to the
    // second, whose thumbnail follows it.
    std::string tiff = std::string("II*\0", 4);
    Put32(tiff, 8);
    Put16(tiff, 1);
    PutEntry(tiff, 0x0112, 3, 1);
    Put32(tiff, 26);
    Put16(tiff, 3);
    PutEntry(tiff, 0x0103, 3, 6);  // compressed as JPEG
    PutEntry(tiff, 0x0201, 4, 68);
    PutEntry(tiff, 0x0202, 4, static_cast<uint32_t>(thumbnail.size()));
    Put32(tiff, 0);
    tiff += thumbnail;
    std::string segments = "\xFF\xE1";
    Put16BigEndian(segments, static_cast<uint32_t>(2 + 6 + tiff.size()));
    segments += std::string("Exif\0\0", 6) + tiff;
    segments += "\xFF\xE0";
    Put16BigEndian(segments, static_cast<uint32_t>(2 + 6 + thumbnail.size()));
    segments += std::string("JFXX\0\x10", 6) + thumbnail;  // a JPEG-coded thumbnail
    return photo.insert(2, segments);
}

std::string TiffWithThumbnailBombs() {
    // The image's 256 grey bytes at 8, its directory at 264; the second directory at 512, the
    // SubIFD at 640, the Exif directory at 768.
    std::string tiff = std::string("II*\0", 4);
    Put32(tiff, 264);
    for (int i = 0; i < 256; ++i) tiff += static_cast<char>(i);
    auto directory = [&](uint32_t side, uint32_t stripBytes, bool first, uint32_t next) {
        Put16(tiff, first ? 11 : 9);
        PutEntry(tiff, 256, 4, side);
        PutEntry(tiff, 257, 4, side);
        PutEntry(tiff, 258, 3, 8);
        PutEntry(tiff, 259, 3, 1);
        PutEntry(tiff, 262, 3, 1);
        PutEntry(tiff, 273, 4, 8);
        PutEntry(tiff, 277, 3, 1);
        PutEntry(tiff, 278, 4, side);
        PutEntry(tiff, 279, 4, stripBytes);
        if (first) {
            PutEntry(tiff, 330, 13, 640);    // SubIFDs
            PutEntry(tiff, 34665, 13, 768);  // the Exif directory
        }
        Put32(tiff, next);
    };
    directory(16, 256, true, 512);
    tiff.resize(512, '\0');
    directory(20000, 400'000'000, false, 0);
    tiff.resize(640, '\0');
    directory(20000, 400'000'000, false, 0);
    tiff.resize(768, '\0');
    Put16(tiff, 1);
    PutEntry(tiff, 0x9000, 7, 0x30323230);  // ExifVersion "0220"
    Put32(tiff, 0);
    return tiff;
}

std::string TruncatedPsd() {
    constexpr uint32_t kWidth = 200, kHeight = 150, kChannels = 3;
    std::string psd = "8BPS";
    psd += std::string("\0\x01", 2) + std::string(6, '\0');  // version 1, reserved
    psd += std::string("\0\x03", 2);                         // red, green, blue
    Put32BigEndian(psd, kHeight);
    Put32BigEndian(psd, kWidth);
    psd += std::string("\0\x08\0\x03", 4);  // 8 bits a sample, RGB
    psd += std::string(12, '\0');           // no colour table, resources, layers
    psd += std::string("\0\x01", 2);        // run-length coded rows
    // Each row: 128 and then 72 bytes as they are, 202 coded bytes.
    std::string row(1, '\x7F');
    for (int i = 0; i < 128; ++i) row += static_cast<char>(i);
    row += '\x47';
    for (int i = 0; i < 72; ++i) row += static_cast<char>(i);
    for (uint32_t i = 0; i < kChannels * kHeight; ++i) {
        psd += '\0';
        psd += static_cast<char>(row.size());
    }
    psd += row;
    psd.resize(950);  // ten bytes into the pixel data
    return psd;
}

}  // namespace hostile

#include "HostileImages.h"

#include <cstdint>

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

}  // namespace

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

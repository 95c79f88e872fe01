#include "HostileImages.h"

#include <FreeImage.h>

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

std::string HangingIff() {
    std::string iff = "FORM";
    Put32BigEndian(iff, 11);
    return iff + "ILBMBMHD" + std::string(3, '\0');
}

std::string TruncatedPsd() {
    FIBITMAP* bitmap = FreeImage_Allocate(200, 150, 24);
    for (unsigned y = 0; y < 150; ++y) {
        BYTE* line = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned x = 0; x < 200; ++x) {
            line[3 * x] = static_cast<BYTE>(x);
            line[3 * x + 1] = static_cast<BYTE>(y);
            line[3 * x + 2] = static_cast<BYTE>(x * y);
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_PSD, bitmap, memory, 0);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string psd(reinterpret_cast<const char*>(data), size < 5000 ? size : 5000);
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return psd;
}

}  // namespace hostile

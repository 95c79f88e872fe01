// imdecode: decodes one image file into a 24-bit BMP file, for the guarded decoder, which
// starts it under memory and time limits so that a damaged file can only end this process.
//   imdecode <image> <FreeImage format code, or "detect"> <BMP file to write>
// It ends with 0 on success or with the exit code of its fault (DecodeFaults.h), and prints the
// image's width and height on success or when the image is refused as too large, and the C
// library's error number when the result cannot be written.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <optional>
#include <string>

#include "BitmapLayout.h"
#include "DecodeFaults.h"
#include "HiddenThumbnails.h"
#include "ImageHeaders.h"
#include "ImageLibraries.h"
#include "ImageProbe.h"

namespace {

using namespace decoding;

unsigned WriteToFile(void* buffer, unsigned size, unsigned count, fi_handle file) {
    return static_cast<unsigned>(std::fwrite(buffer, size, count, static_cast<std::FILE*>(file)));
}

int SeekInFile(fi_handle file, long offset, int origin) {
    return std::fseek(static_cast<std::FILE*>(file), offset, origin);
}

long TellInFile(fi_handle file) { return std::ftell(static_cast<std::FILE*>(file)); }

// Nothing when the file was written, else the C library's error number of the failure (0 when
// it gave none). FreeImage does not look at the end of writing: a full disk shows only when the
// file is flushed and closed.
std::optional<int> SaveBmp(FIBITMAP* bitmap, const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return errno;
    FreeImageIO io{nullptr, WriteToFile, SeekInFile, TellInFile};
    const bool saved = FreeImage_SaveToHandle(FIF_BMP, bitmap, &io, file, 0);
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    int failure = errno;
    const bool closed = std::fclose(file) == 0;
    if (saved && flushed && closed) return std::nullopt;
    if (!closed && flushed) failure = errno;
    return failure;
}

bool ReadFormat(const std::string& text, int* format) {
    if (text == "detect") {
        *format = kDetectFormat;
        return true;
    }
    char* end = nullptr;
    const long code = std::strtol(text.c_str(), &end, 10);
    *format = static_cast<int>(code);
    return !text.empty() && *end == '\0' && code >= 0 && code < FreeImage_GetFIFCount();
}

// The size goes out with a refusal, so that the reason can name it, and with the result.
void PrintSize(unsigned width, unsigned height) { std::printf("%u %u\n", width, height); }

// Adobe's programs store a CMYK JPEG's samples inverted and say so in an APP14 marker, and
// FreeImage takes every CMYK JPEG for that kind. True for a CMYK JPEG without the marker, whose
// samples are the ink itself: read by the markers before the first scan.
bool IsUninvertedCmykJpeg(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    bool adobe = false;
    int components = 0;
    ForEachJpegSegment(file, [&](const JpegSegment& segment) {
        char payload[6] = {};
        const uint32_t length = std::min<uint32_t>(segment.payloadLength, sizeof payload);
        if (!ReadAt(file, segment.payloadStart, payload, length)) return false;
        if (segment.marker == 0xEE && length >= 5 && std::memcmp(payload, "Adobe", 5) == 0) {
            adobe = true;
        }
        if (IsJpegFrame(segment.marker) && length >= 6)
            components = static_cast<unsigned char>(payload[5]);
        return true;
    });
    return components == 4 && !adobe;
}

// Asked for CMYK, FreeImage inverts every sample; for the uninverted kind each then says how
// much light its ink lets through, and a colour is its own ink's share times the black's.
Bitmap InkToRgb(Bitmap cmyk) {
    if (!cmyk || FreeImage_GetBPP(cmyk.get()) != 32) return cmyk;
    const unsigned width = FreeImage_GetWidth(cmyk.get());
    const unsigned height = FreeImage_GetHeight(cmyk.get());
    Bitmap rgb(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    if (!rgb) return rgb;
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* ink = FreeImage_GetScanLine(cmyk.get(), static_cast<int>(y));
        BYTE* colour = FreeImage_GetScanLine(rgb.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, ink += 4, colour += 3) {
            colour[FI_RGBA_RED] = static_cast<BYTE>(ink[0] * ink[3] / 255);
            colour[FI_RGBA_GREEN] = static_cast<BYTE>(ink[1] * ink[3] / 255);
            colour[FI_RGBA_BLUE] = static_cast<BYTE>(ink[2] * ink[3] / 255);
        }
    }
    return rgb;
}

// A JPEG is turned upright as its camera's orientation tag says; a value outside 1 to 8 is
// no orientation and leaves it as stored.
int LoadFlags(int format, bool uninvertedCmyk) {
    if (format != FIF_JPEG) return 0;
    return JPEG_EXIFROTATE | (uninvertedCmyk ? JPEG_CMYK : 0);
}

int Decode(const std::string& source, int requestedFormat, const std::string& output) {
    const ImageProbe probe = ProbeImage(source, requestedFormat, HeaderReading::EveryLoader);
    if (probe.fault == DecodeFault::TooLarge) PrintSize(probe.width, probe.height);
    if (probe.fault != DecodeFault::None) return ExitCodeOf(probe.fault);
    const bool uninvertedCmyk = probe.format == FIF_JPEG && IsUninvertedCmykJpeg(source);
    Bitmap bitmap(
        LoadWithoutThumbnails(probe.format, source, LoadFlags(probe.format, uninvertedCmyk)));
    if (!bitmap) {
        return ExitCodeOf(TakeAllocationFailure() ? DecodeFault::OutOfMemory
                                                  : DecodeFault::Damaged);
    }
    const unsigned width = FreeImage_GetWidth(bitmap.get());
    const unsigned height = FreeImage_GetHeight(bitmap.get());
    if (!CheckPixelSize(width, height).error.empty()) {
        PrintSize(width, height);
        return ExitCodeOf(DecodeFault::TooLarge);
    }
    if (uninvertedCmyk) bitmap = InkToRgb(std::move(bitmap));
    bitmap = ToPlainLayout(std::move(bitmap), Grey::BecomesColour);
    if (!bitmap) return ExitCodeOf(DecodeFault::OutOfMemory);
    if (const std::optional<int> failure = SaveBmp(bitmap.get(), output)) {
        std::printf("%d\n", *failure);
        return ExitCodeOf(DecodeFault::CannotWrite);
    }
    PrintSize(width, height);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A decoder that runs out of its memory in C++ code ends with the fault that says so.
    std::set_new_handler([] { std::_Exit(ExitCodeOf(DecodeFault::OutOfMemory)); });
    int format = kDetectFormat;
    if (argc != 4 || !ReadFormat(argv[2], &format)) return kUsageExitCode;
    return Decode(argv[1], format, argv[3]);
}

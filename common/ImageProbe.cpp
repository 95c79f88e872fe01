#include "ImageProbe.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "ImageLibraries.h"

namespace decoding {
namespace {

struct Size {
    unsigned width;
    unsigned height;
};

bool HasHardenedHeaderReader(FREE_IMAGE_FORMAT format) {
    return format == FIF_BMP || format == FIF_PNG || format == FIF_JPEG || format == FIF_TIFF;
}

unsigned Little16(const unsigned char* bytes) { return bytes[0] | (bytes[1] << 8); }

// FreeImage's GIF loader cannot stop after the header and allocates the frame at once, so the
// sizes are read here: the logical screen and the first frame's descriptor, whichever claims
// more. A file that ends before its first frame is sized by its screen.
std::optional<Size> GifSize(std::ifstream& file) {
    unsigned char header[13];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return std::nullopt;
    Size size{Little16(header + 6), Little16(header + 8)};
    if (header[10] & 0x80) file.seekg(3 << ((header[10] & 7) + 1), std::ios::cur);
    for (int introducer = file.get(); file; introducer = file.get()) {
        if (introducer == 0x2C) {
            unsigned char descriptor[8];
            if (file.read(reinterpret_cast<char*>(descriptor), sizeof descriptor)) {
                size.width = std::max(size.width, Little16(descriptor + 4));
                size.height = std::max(size.height, Little16(descriptor + 6));
            }
            break;
        }
        if (introducer != 0x21) break;
        file.get();  // the extension's label, then its data blocks up to an empty one
        for (int length = file.get(); file && length > 0; length = file.get()) {
            file.seekg(length, std::ios::cur);
        }
    }
    return size;
}

// A BMP whose pixels are stored as they are, without run-length coding.
bool IsUncompressedBmp(std::ifstream& file) {
    unsigned char header[34] = {};
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    const unsigned headerSize = Little16(header + 14) | (Little16(header + 16) << 16);
    if (headerSize == 12) return true;  // the oldest header has no compression field
    const unsigned compression = Little16(header + 30) | (Little16(header + 32) << 16);
    return compression == 0 || compression == 3;  // BI_RGB, BI_BITFIELDS
}

std::optional<Size> HeaderSize(const std::string& path, FREE_IMAGE_FORMAT format,
                               HeaderReading reading, std::ifstream& file) {
    if (format == FIF_GIF) return GifSize(file);
    if (!FreeImage_FIFSupportsNoPixels(format)) return std::nullopt;
    if (reading == HeaderReading::HardenedOnly && !HasHardenedHeaderReader(format)) {
        return std::nullopt;
    }
    FIBITMAP* header = FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS);
    if (header == nullptr) return Size{0, 0};
    const Size size{FreeImage_GetWidth(header), FreeImage_GetHeight(header)};
    FreeImage_Unload(header);
    return size;
}

FREE_IMAGE_FORMAT FormatOf(const std::string& path, int requestedFormat) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) format = static_cast<FREE_IMAGE_FORMAT>(requestedFormat);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path.c_str());
    return format;
}

ImageProbe Refused(ImageProbe probe, DecodeFault fault, std::string error = {}) {
    probe.fault = fault;
    probe.error = error.empty() ? ReasonOf(fault) : std::move(error);
    return probe;
}

}  // namespace

std::string SizeRefusal(uint64_t width, uint64_t height) {
    if (width <= kMaximumSide && height <= kMaximumSide && width * height <= kMaximumPixels) {
        return {};
    }
    return ReasonWith(DecodeFault::TooLarge, Fill(phrase::kTooLargeDetail,
                                                  {std::to_string(width), std::to_string(height)}));
}

ImageProbe ProbeImage(const std::string& hostPath, int requestedFormat, HeaderReading reading) {
    SilenceImageLibraries();
    ImageProbe probe;
    std::error_code ignored;
    std::ifstream file(hostPath, std::ios::binary);
    if (!std::filesystem::is_regular_file(hostPath, ignored) || !file) {
        return Refused(probe, DecodeFault::Unreadable);
    }
    const FREE_IMAGE_FORMAT format = FormatOf(hostPath, requestedFormat);
    probe.format = format;
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) {
        return Refused(probe, DecodeFault::UnknownFormat);
    }
    const std::optional<Size> size = HeaderSize(hostPath, format, reading, file);
    if (!size) return probe;
    if (size->width == 0 || size->height == 0) return Refused(probe, DecodeFault::Damaged);
    probe.width = size->width;
    probe.height = size->height;
    probe.sized = true;
    std::string refusal = SizeRefusal(probe.width, probe.height);
    if (!refusal.empty()) return Refused(probe, DecodeFault::TooLarge, std::move(refusal));
    file.clear();
    probe.plain = format == FIF_PNG || (format == FIF_BMP && IsUncompressedBmp(file));
    return probe;
}

}  // namespace decoding

#include "ImageProbe.h"

#include <FreeImage.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "HiddenThumbnails.h"
#include "ImageHeaders.h"
#include "ImageLibraries.h"

namespace decoding {
namespace {

unsigned Little16(const unsigned char* bytes) { return bytes[0] | (bytes[1] << 8); }

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

// FreeImage's header-only loads are left to the helper: some still allocate or decode (a
// JPEG's or TIFF's embedded thumbnail in full), so the formats with a reader here never use one,
// and the others see no thumbnail either (a WebP's Exif one).
std::optional<PixelSize> HeaderSize(const std::string& path, FREE_IMAGE_FORMAT format,
                                    HeaderReading reading, std::ifstream& file) {
    if (HasHeaderReader(format)) return ReadHeaderSize(format, file);
    if (reading == HeaderReading::HardenedOnly || !FreeImage_FIFSupportsNoPixels(format)) {
        return std::nullopt;
    }
    FIBITMAP* header = LoadWithoutThumbnails(format, path, FIF_LOAD_NOPIXELS);
    if (header == nullptr) return PixelSize{};
    const PixelSize size{FreeImage_GetWidth(header), FreeImage_GetHeight(header)};
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

platform::Outcome CheckPixelSize(uint64_t width, uint64_t height) {
    if (width <= kMaximumSide && height <= kMaximumSide && width * height <= kMaximumPixels) {
        return {};
    }
    return {
        ReasonWith(DecodeFault::TooLarge,
                   Fill(phrase::kTooLargeDetail, {std::to_string(width), std::to_string(height)}))};
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
    const std::optional<PixelSize> size = HeaderSize(hostPath, format, reading, file);
    if (!size) return probe;
    if (size->width == 0 || size->height == 0) return Refused(probe, DecodeFault::Damaged);
    probe.width = size->width;
    probe.height = size->height;
    probe.sized = true;
    platform::Outcome limits = CheckPixelSize(probe.width, probe.height);
    if (!limits.error.empty())
        return Refused(probe, DecodeFault::TooLarge, std::move(limits.error));
    file.clear();
    probe.plain = format == FIF_PNG || (format == FIF_BMP && IsUncompressedBmp(file));
    return probe;
}

}  // namespace decoding

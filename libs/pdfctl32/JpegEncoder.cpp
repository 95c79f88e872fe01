#include "JpegEncoder.h"

#include <FreeImage.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "BgrBitmap.h"
#include "BgrJpeg.h"
#include "BitmapLayout.h"
#include "GuardedDecoder.h"
#include "Messages.h"
#include "platform/Host.h"

namespace pdfctl32 {
namespace {

using decoding::Bitmap;

struct MemoryDeleter {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryDeleter>;

JpegResult Failed(const std::string& path, const std::string& reason) {
    return {{}, decoding::Fill(messages::kImageFileUndecodable, {path, reason})};
}

struct DecodedBitmap {
    Bitmap bitmap;
    std::string error;
};

// The caller's file goes through the guarded decoder; only a PNG or uncompressed BMP that the
// probe has sized is decoded here.
DecodedBitmap Decode(const std::string& path, const decoding::ImageProbe& probe) {
    if (probe.plain) {
        Bitmap bitmap(
            FreeImage_Load(static_cast<FREE_IMAGE_FORMAT>(probe.format), path.c_str(), 0));
        if (!bitmap) return {nullptr, decoding::ReasonOf(decoding::DecodeFault::Damaged)};
        return {std::move(bitmap), {}};
    }
    const std::unique_ptr<platform::ScratchFile> decoded = platform::ScratchFile::Create(".bmp");
    if (!decoded) return {nullptr, decoding::phrase::kNoRoomForCopy};
    const decoding::DecodeResult result =
        decoding::GuardedDecoder().DecodeToBmp(path, decoding::kDetectFormat, decoded->path());
    if (!result.error.empty()) return {nullptr, result.error};
    Bitmap bitmap(FreeImage_Load(FIF_BMP, decoded->path().c_str(), 0));
    if (!bitmap) return {nullptr, decoding::ReasonOf(decoding::DecodeFault::OutOfMemory)};
    return {std::move(bitmap), {}};
}

}  // namespace

JpegResult EncodeImageFileAsJpeg(const std::string& path, int quality) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return {{}, decoding::Fill(messages::kImageFileMissing, {path})};
    }
    const decoding::ImageProbe probe =
        decoding::ProbeImage(path, decoding::kDetectFormat, decoding::HeaderReading::HardenedOnly);
    if (!probe.error.empty()) return Failed(path, probe.error);
    // FreeImage reads a quality of 0 as "use the default", so the lowest it takes is 1.
    quality = std::clamp(quality, 1, 100);
    // The decoder's own 24-bit bitmaps, the usual input, are encoded where they lie.
    if (probe.plain && probe.format == FIF_BMP) {
        const std::unique_ptr<platform::MappedFile> file = platform::MappedFile::Open(path);
        const std::optional<BgrBitmap> bitmap =
            file ? SeeBgrBitmap(file->data(), file->size()) : std::nullopt;
        if (bitmap) {
            std::vector<uint8_t> jpeg = EncodeBgrBitmapAsJpeg(*bitmap, quality);
            if (jpeg.empty())
                return Failed(path, decoding::ReasonOf(decoding::DecodeFault::OutOfMemory));
            return {std::move(jpeg), {}};
        }
    }

    DecodedBitmap decoded = Decode(path, probe);
    if (!decoded.error.empty()) return Failed(path, decoded.error);
    const Bitmap bitmap =
        decoding::ToPlainLayout(std::move(decoded.bitmap), decoding::Grey::StaysGrey);
    if (!bitmap) return Failed(path, decoding::ReasonOf(decoding::DecodeFault::OutOfMemory));

    const int flags = quality | JPEG_BASELINE;
    Memory memory(FreeImage_OpenMemory());
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!memory || !FreeImage_SaveToMemory(FIF_JPEG, bitmap.get(), memory.get(), flags) ||
        !FreeImage_AcquireMemory(memory.get(), &data, &size) || size == 0) {
        return {{}, decoding::Fill(messages::kImageFileUnencodable, {path})};
    }
    return {std::vector<uint8_t>(data, data + size), {}};
}

}  // namespace pdfctl32

#include "HiddenThumbnails.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "ImageHeaders.h"

namespace decoding {
namespace {

// Private tag numbers no loader knows, which the hidden TIFF fields take instead of their own.
constexpr uint16_t kHiddenSubIfds = 65100;
constexpr uint16_t kHiddenResources = 65101;
// An image resource number of the plug-in range, which the PSD loader passes over.
constexpr uint16_t kHiddenResource = 4000;

std::string Zeros(size_t count) { return std::string(count, '\0'); }

std::string Tag(uint16_t tag, bool littleEndian) {
    const char low = static_cast<char>(tag & 0xFF), high = static_cast<char>(tag >> 8);
    return littleEndian ? std::string{low, high} : std::string{high, low};
}

// The first directory of a TIFF structure ends the chain: no second one (the Exif thumbnail,
// or a TIFF's further pages, of which only the first is decoded) is ever looked at.
void EndAfterFirstDirectory(std::istream& file, uint64_t start, uint64_t length,
                            std::vector<BytePatch>* patches) {
    if (const auto directory = ReadFirstTiffDirectory(file, start, length)) {
        if (directory->nextAt + directory->nextWidth <= start + length) {
            patches->push_back({directory->nextAt, Zeros(directory->nextWidth)});
        }
    }
}

// An Exif block: "Exif\0\0" (where the container keeps it), then a TIFF structure.
void HideExifThumbnail(std::istream& file, uint64_t start, uint64_t length,
                       std::vector<BytePatch>* patches) {
    char signature[6];
    if (length >= 6 && ReadAt(file, start, signature, 6) &&
        std::memcmp(signature, "Exif\0\0", 6) == 0) {
        start += 6;
        length -= 6;
    }
    EndAfterFirstDirectory(file, start, length, patches);
}

void JpegPatches(std::istream& file, std::vector<BytePatch>* patches) {
    ForEachJpegSegment(file, [&](const JpegSegment& segment) {
        char id[5];
        if (segment.marker == 0xE1) {
            HideExifThumbnail(file, segment.payloadStart, segment.payloadLength, patches);
        } else if (segment.marker == 0xE0 && segment.payloadLength >= sizeof id &&
                   ReadAt(file, segment.payloadStart, id, sizeof id) &&
                   std::memcmp(id, "JFXX", sizeof id) == 0) {
            patches->push_back({segment.payloadStart, Zeros(sizeof id)});  // an unknown APP0 now
        }
        return true;
    });
}

void TiffPatches(std::istream& file, std::vector<BytePatch>* patches) {
    const auto directory = ReadFirstTiffDirectory(file, 0, UINT64_MAX);
    if (!directory) return;
    patches->push_back({directory->nextAt, Zeros(directory->nextWidth)});
    for (const TiffEntry& entry : directory->entries) {
        if (entry.tag == 330) {  // SubIFDs
            patches->push_back({entry.at, Tag(kHiddenSubIfds, directory->littleEndian)});
        } else if (entry.tag == 34377) {  // image resources, the PSD kind
            patches->push_back({entry.at, Tag(kHiddenResources, directory->littleEndian)});
        }
    }
}

uint32_t Big32(const uint8_t* b) {
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// The image resources after the 26-byte header and the colour mode data: "8BIM", a 16-bit
// number, a name of even length, a 32-bit length and data of even length.
void PsdPatches(std::istream& file, std::vector<BytePatch>* patches) {
    uint8_t length[4];
    if (!ReadAt(file, 26, length, 4)) return;
    const uint64_t resourcesAt = 30 + uint64_t{Big32(length)};
    if (!ReadAt(file, resourcesAt, length, 4)) return;
    const uint64_t end = resourcesAt + 4 + Big32(length);
    for (uint64_t at = resourcesAt + 4; at + 12 <= end;) {
        uint8_t block[7];
        if (!ReadAt(file, at, block, sizeof block) || std::memcmp(block, "8BIM", 4) != 0) return;
        const unsigned id = (block[4] << 8) | block[5];
        const uint64_t nameLength = (uint64_t{block[6]} + 2) & ~uint64_t{1};
        if (!ReadAt(file, at + 6 + nameLength, length, 4)) return;
        // 1033 and 1036: the thumbnail; 1058 and 1059: Exif, whose own may follow.
        if (id == 1033 || id == 1036 || id == 1058 || id == 1059) {
            patches->push_back({at + 4, Tag(kHiddenResource, false)});
        }
        at += 6 + nameLength + 4 + ((uint64_t{Big32(length)} + 1) & ~uint64_t{1});
    }
}

// RIFF chunks after "RIFF", the length and "WEBP": a four-letter name, a 32-bit little-endian
// length and data of even length.
void WebpPatches(std::istream& file, std::vector<BytePatch>* patches) {
    uint8_t chunk[8];
    for (uint64_t at = 12; ReadAt(file, at, chunk, sizeof chunk);) {
        const uint64_t length =
            chunk[4] | (chunk[5] << 8) | (chunk[6] << 16) | (uint64_t{chunk[7]} << 24);
        if (std::memcmp(chunk, "EXIF", 4) == 0) HideExifThumbnail(file, at + 8, length, patches);
        at += 8 + ((length + 1) & ~uint64_t{1});
    }
}

struct PatchedFile {
    std::FILE* file;
    std::vector<BytePatch> patches;
};

unsigned ReadPatched(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* patched = static_cast<PatchedFile*>(handle);
    const long start = std::ftell(patched->file);
    const size_t read = std::fread(buffer, 1, size_t{size} * count, patched->file);
    if (start < 0 || size == 0) return 0;
    const uint64_t from = static_cast<uint64_t>(start), to = from + read;
    for (const BytePatch& patch : patched->patches) {
        const uint64_t first = std::max(from, patch.offset);
        const uint64_t last = std::min(to, patch.offset + patch.bytes.size());
        if (first < last) {
            std::memcpy(static_cast<char*>(buffer) + (first - from),
                        patch.bytes.data() + (first - patch.offset), last - first);
        }
    }
    return static_cast<unsigned>(read / size);
}

int SeekIn(fi_handle handle, long offset, int origin) {
    return std::fseek(static_cast<PatchedFile*>(handle)->file, offset, origin);
}

long TellIn(fi_handle handle) { return std::ftell(static_cast<PatchedFile*>(handle)->file); }

}  // namespace

std::vector<BytePatch> ThumbnailPatches(int format, std::istream& file) {
    std::vector<BytePatch> patches;
    switch (format) {
        case FIF_JPEG:
            JpegPatches(file, &patches);
            break;
        case FIF_TIFF:
            TiffPatches(file, &patches);
            break;
        case FIF_PSD:
            PsdPatches(file, &patches);
            break;
        case FIF_WEBP:
            WebpPatches(file, &patches);
            break;
        default:
            break;
    }
    return patches;
}

FIBITMAP* LoadWithoutThumbnails(int format, const std::string& path, int flags) {
    std::ifstream stream(path, std::ios::binary);
    PatchedFile patched{std::fopen(path.c_str(), "rb"), ThumbnailPatches(format, stream)};
    if (patched.file == nullptr) return nullptr;
    FreeImageIO io{ReadPatched, nullptr, SeekIn, TellIn};
    FIBITMAP* bitmap =
        FreeImage_LoadFromHandle(static_cast<FREE_IMAGE_FORMAT>(format), &io, &patched, flags);
    std::fclose(patched.file);
    return bitmap;
}

}  // namespace decoding

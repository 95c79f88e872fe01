// Small readers of the fixed-layout headers of the formats a user's images mostly come in: the
// size each header claims, read from the format's own fields without decoding and without any
// allocation that grows with the claim. They run in the caller's process, so they trust no
// length or offset they read, and they read no embedded thumbnail.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <vector>

namespace decoding {

struct PixelSize {
    unsigned width = 0;
    unsigned height = 0;
};

// True for the FreeImage formats these readers know.
bool HasHeaderReader(int format);

// The size the header of file (in that FreeImage format) claims. 0 x 0 for a damaged header,
// on which the format's loader fails; nothing when no size can be read although the loader may
// still try (a file that ends before its size) or when the format has no reader here.
std::optional<PixelSize> ReadHeaderSize(int format, std::istream& file);

// One marker segment of a JPEG before its first scan.
struct JpegSegment {
    int marker = 0;             // the byte after 0xFF
    uint64_t payloadStart = 0;  // file offset of the bytes after the length field
    uint32_t payloadLength = 0;
};

// A frame header's marker (SOF0 to SOF15, less DHT, JPG and DAC, which share the range).
bool IsJpegFrame(int marker);

// Calls visit with each marker segment up to the first scan or frame end, as long as visit
// returns true; false when the file is no JPEG or a segment runs past its end.
bool ForEachJpegSegment(std::istream& file, const std::function<bool(const JpegSegment&)>& visit);

// The first directory of a TIFF structure (a TIFF file, or the Exif block of a JPEG), which
// holds the main image's fields.
struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint64_t count = 0;
    uint64_t at = 0;  // file offset of the entry
};
struct TiffDirectory {
    bool littleEndian = false;
    bool big = false;  // BigTIFF
    std::vector<TiffEntry> entries;
    uint64_t nextAt = 0;  // file offset of the next directory's offset
    unsigned nextWidth = 4;
};

// The structure starts at start and takes length bytes (offsets inside count from start);
// nothing when it is damaged or runs past either end.
std::optional<TiffDirectory> ReadFirstTiffDirectory(std::istream& file, uint64_t start,
                                                    uint64_t length);

// Reads count bytes at offset; false when the file ends first.
bool ReadAt(std::istream& file, uint64_t offset, void* out, size_t count);

}  // namespace decoding

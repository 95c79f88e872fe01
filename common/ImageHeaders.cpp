#include "ImageHeaders.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ImageProbe.h"

namespace decoding {
namespace {

unsigned Big16(const uint8_t* b) { return (b[0] << 8) | b[1]; }
uint32_t Big32(const uint8_t* b) { return (uint32_t{Big16(b)} << 16) | Big16(b + 2); }
unsigned Little16(const uint8_t* b) { return b[0] | (b[1] << 8); }
uint32_t Little32(const uint8_t* b) { return Little16(b) | (uint32_t{Little16(b + 2)} << 16); }

// A side the loaders would take as a negative number is as large as its magnitude to them.
unsigned Magnitude(int32_t side) {
    return static_cast<unsigned>(std::min<int64_t>(std::abs(int64_t{side}), UINT32_MAX));
}

constexpr PixelSize kDamaged{};

PixelSize JpegSize(std::istream& file) {
    PixelSize size = kDamaged;
    ForEachJpegSegment(file, [&](const JpegSegment& segment) {
        if (!IsJpegFrame(segment.marker)) return true;
        uint8_t frame[5];  // precision, height, width
        if (segment.payloadLength >= sizeof frame &&
            ReadAt(file, segment.payloadStart, frame, sizeof frame)) {
            size = {Big16(frame + 3), Big16(frame + 1)};
        }
        return false;
    });
    return size;
}

PixelSize PngSize(std::istream& file) {
    uint8_t header[24];
    if (!ReadAt(file, 0, header, sizeof header) ||
        std::memcmp(header, "\x89PNG\r\n\x1A\n", 8) != 0 ||
        std::memcmp(header + 12, "IHDR", 4) != 0) {
        return kDamaged;
    }
    return {Big32(header + 16), Big32(header + 20)};
}

PixelSize BmpSize(std::istream& file) {
    uint8_t header[26];
    if (!ReadAt(file, 0, header, 2) || header[0] != 'B') return kDamaged;
    // An OS/2 bitmap array starts with a header of its own before the first bitmap's.
    const uint64_t start = header[1] == 'A' ? 14 : 0;
    if (!ReadAt(file, start, header, 18)) return kDamaged;
    const uint32_t infoSize = Little32(header + 14);
    if (infoSize == 12) {  // the OS/2 1.x header: 16-bit sides
        if (!ReadAt(file, start, header, 22)) return kDamaged;
        return {Little16(header + 18), Little16(header + 20)};
    }
    if (infoSize < 16 || !ReadAt(file, start, header, 26)) return kDamaged;
    // A negative height stores the rows from the top down.
    return {Magnitude(static_cast<int32_t>(Little32(header + 18))),
            Magnitude(static_cast<int32_t>(Little32(header + 22)))};
}

// A value of a first-directory entry: SHORT, LONG or (BigTIFF) LONG8, as the loaders read it.
std::optional<uint64_t> TiffNumber(std::istream& file, const TiffDirectory& directory,
                                   const TiffEntry& entry) {
    uint8_t value[8] = {};
    const uint64_t valueAt = entry.at + (directory.big ? 12 : 8);
    const unsigned width = entry.type == 3 ? 2 : entry.type == 4 ? 4 : entry.type == 16 ? 8 : 0;
    if (width == 0 || entry.count == 0 || !ReadAt(file, valueAt, value, width)) return {};
    uint64_t number = 0;
    for (unsigned i = 0; i < width; ++i) {
        const unsigned shift = directory.littleEndian ? 8 * i : 8 * (width - 1 - i);
        number |= uint64_t{value[i]} << shift;
    }
    return number;
}

PixelSize TiffSize(std::istream& file) {
    const std::optional<TiffDirectory> directory = ReadFirstTiffDirectory(file, 0, UINT64_MAX);
    if (!directory) return kDamaged;
    std::optional<uint64_t> width, height;
    for (const TiffEntry& entry : directory->entries) {
        if (entry.tag == 256) width = TiffNumber(file, *directory, entry);
        if (entry.tag == 257) height = TiffNumber(file, *directory, entry);
    }
    if (!width || !height) return kDamaged;
    return {static_cast<unsigned>(std::min<uint64_t>(*width, UINT32_MAX)),
            static_cast<unsigned>(std::min<uint64_t>(*height, UINT32_MAX))};
}

// FreeImage's GIF loader cannot stop after the header and allocates the frame at once: the
// logical screen and the first frame's descriptor, whichever claims more. A file that ends
// before its first frame is sized by its screen.
std::optional<PixelSize> GifSize(std::istream& file) {
    uint8_t header[13];
    if (!ReadAt(file, 0, header, sizeof header)) return std::nullopt;
    PixelSize size{Little16(header + 6), Little16(header + 8)};
    if (header[10] & 0x80) file.seekg(3 << ((header[10] & 7) + 1), std::ios::cur);
    for (int introducer = file.get(); file; introducer = file.get()) {
        if (introducer == 0x2C) {
            uint8_t descriptor[8];
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

// The chunks are walked as FreeImage's IFF loader walks them, 32-bit count of the FORM's bytes
// included: it takes the size from the BMHD it meets and the image from the BODY after it.
// A walk that leaves the file before a BMHD has no size; one that meets a BODY without a BMHD,
// or never meets a BODY, holds no image (the loader gives up on it, or reads on for ever).
std::optional<PixelSize> IffSize(std::istream& file) {
    uint8_t form[12];
    if (!ReadAt(file, 0, form, sizeof form) || std::memcmp(form, "FORM", 4) != 0) return kDamaged;
    uint32_t left = Big32(form + 4) - 4;
    uint64_t at = sizeof form;
    std::optional<PixelSize> size;
    while (left != 0) {
        uint8_t chunk[8];
        if (!ReadAt(file, at, chunk, sizeof chunk)) break;
        at += sizeof chunk;
        uint32_t length = Big32(chunk + 4);
        if (std::memcmp(chunk, "BMHD", 4) == 0) {
            uint8_t sides[4];
            if (!ReadAt(file, at, sides, sizeof sides)) break;
            size = PixelSize{Big16(sides), Big16(sides + 2)};
        } else if (std::memcmp(chunk, "BODY", 4) == 0) {
            return size.value_or(kDamaged);
        }
        if (length & 1) ++length;  // the pad byte of an odd chunk
        at += length;
        left -= length + 8;
    }
    if (size) return kDamaged;
    return std::nullopt;
}

PixelSize PsdSize(std::istream& file) {
    uint8_t header[26];
    if (!ReadAt(file, 0, header, sizeof header) || std::memcmp(header, "8BPS", 4) != 0) {
        return kDamaged;
    }
    return {Big32(header + 18), Big32(header + 14)};
}

PixelSize PcxSize(std::istream& file) {
    uint8_t header[12];
    if (!ReadAt(file, 0, header, sizeof header) || header[0] != 0x0A) return kDamaged;
    // The window's first and last column and row.
    const int64_t width = int64_t{Little16(header + 8)} - Little16(header + 4) + 1;
    const int64_t height = int64_t{Little16(header + 10)} - Little16(header + 6) + 1;
    if (width <= 0 || height <= 0) return kDamaged;
    return {static_cast<unsigned>(width), static_cast<unsigned>(height)};
}

// The size an icon entry's own image claims: a PNG's IHDR, or a bitmap header whose height
// counts the colour rows and the mask rows.
std::optional<PixelSize> IconImageSize(std::istream& file, uint64_t offset) {
    uint8_t header[24];
    if (!ReadAt(file, offset, header, sizeof header)) return std::nullopt;
    if (std::memcmp(header, "\x89PNG\r\n\x1A\n", 8) == 0) {
        if (std::memcmp(header + 12, "IHDR", 4) != 0) return std::nullopt;
        return PixelSize{Big32(header + 16), Big32(header + 20)};
    }
    if (Little32(header) == 12) return PixelSize{Little16(header + 4), Little16(header + 6) / 2};
    if (Little32(header) < 12) return std::nullopt;
    return PixelSize{Magnitude(static_cast<int32_t>(Little32(header + 4))),
                     Magnitude(static_cast<int32_t>(Little32(header + 8))) / 2};
}

// Each entry is as large as its directory line or its own image claims, whichever is more;
// the icon is as large as its largest entry, one over the limits first.
PixelSize IcoSize(std::istream& file) {
    uint8_t header[6];
    if (!ReadAt(file, 0, header, sizeof header) || Little16(header) != 0) return kDamaged;
    const unsigned count = Little16(header + 4);
    std::optional<PixelSize> largest;
    auto weight = [](PixelSize size) {
        return std::pair{std::max(size.width, size.height) > kMaximumSide,
                         uint64_t{size.width} * size.height};
    };
    for (unsigned i = 0; i < count; ++i) {
        uint8_t entry[16];
        if (!ReadAt(file, sizeof header + 16 * uint64_t{i}, entry, sizeof entry)) break;
        PixelSize size{entry[0] == 0 ? 256u : entry[0], entry[1] == 0 ? 256u : entry[1]};
        if (const std::optional<PixelSize> image = IconImageSize(file, Little32(entry + 12))) {
            size = {std::max(size.width, image->width), std::max(size.height, image->height)};
        }
        if (!largest || weight(size) > weight(*largest)) largest = size;
    }
    return largest.value_or(kDamaged);
}

struct HeaderReader {
    int format;
    std::optional<PixelSize> (*read)(std::istream& file);
};

// Each reader as the table takes it, whether it can tell an unsized file from a damaged one or not.
template <auto Reader>
std::optional<PixelSize> Read(std::istream& file) {
    return Reader(file);
}

constexpr HeaderReader kHeaderReaders[] = {
    {FIF_JPEG, Read<JpegSize>}, {FIF_PNG, Read<PngSize>}, {FIF_BMP, Read<BmpSize>},
    {FIF_TIFF, Read<TiffSize>}, {FIF_GIF, Read<GifSize>}, {FIF_IFF, Read<IffSize>},
    {FIF_PSD, Read<PsdSize>},   {FIF_PCX, Read<PcxSize>}, {FIF_ICO, Read<IcoSize>},
};

const HeaderReader* FindHeaderReader(int format) {
    for (const HeaderReader& reader : kHeaderReaders) {
        if (reader.format == format) return &reader;
    }
    return nullptr;
}

}  // namespace

bool IsJpegFrame(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool ReadAt(std::istream& file, uint64_t offset, void* out, size_t count) {
    file.clear();
    if (offset > static_cast<uint64_t>(INT64_MAX) || !file.seekg(static_cast<int64_t>(offset))) {
        return false;
    }
    file.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<size_t>(file.gcount()) == count;
}

bool ForEachJpegSegment(std::istream& file, const std::function<bool(const JpegSegment&)>& visit) {
    uint8_t start[2];
    if (!ReadAt(file, 0, start, sizeof start) || start[0] != 0xFF || start[1] != 0xD8) return false;
    uint64_t at = sizeof start;
    for (;;) {
        // libjpeg passes over stray bytes before a marker and over the fill bytes in it.
        file.clear();
        file.seekg(static_cast<int64_t>(at));
        int byte = file.get();
        while (file && byte != 0xFF) byte = file.get();
        while (file && byte == 0xFF) byte = file.get();
        if (!file) return false;
        const int marker = byte;
        at = static_cast<uint64_t>(file.tellg());
        if (marker == 0xD9 || marker == 0xDA) return true;  // the end, or the first scan
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        uint8_t length[2];
        if (!ReadAt(file, at, length, sizeof length) || Big16(length) < 2) return false;
        const JpegSegment segment{marker, at + 2, Big16(length) - 2u};
        if (!visit(segment)) return true;
        at = segment.payloadStart + segment.payloadLength;
    }
}

std::optional<TiffDirectory> ReadFirstTiffDirectory(std::istream& file, uint64_t start,
                                                    uint64_t length) {
    uint8_t header[16];
    if (length < 8 || !ReadAt(file, start, header, 8)) return std::nullopt;
    TiffDirectory directory;
    if (std::memcmp(header, "II", 2) == 0) {
        directory.littleEndian = true;
    } else if (std::memcmp(header, "MM", 2) != 0) {
        return std::nullopt;
    }
    auto number = [&](const uint8_t* bytes, unsigned width) {
        uint64_t value = 0;
        for (unsigned i = 0; i < width; ++i) {
            value |= uint64_t{bytes[i]} << (directory.littleEndian ? 8 * i : 8 * (width - 1 - i));
        }
        return value;
    };
    const uint64_t version = number(header + 2, 2);
    uint64_t first = number(header + 4, 4);
    if (version == 43) {  // BigTIFF: 8-byte counts and offsets
        if (length < 16 || !ReadAt(file, start, header, 16)) return std::nullopt;
        first = number(header + 8, 8);
        directory.big = true;
    } else if (version != 42) {
        return std::nullopt;
    }
    const unsigned countWidth = directory.big ? 8 : 2;
    const unsigned entryWidth = directory.big ? 20 : 12;
    uint8_t countBytes[8];
    if (first > length - countWidth || !ReadAt(file, start + first, countBytes, countWidth)) {
        return std::nullopt;
    }
    // libtiff refuses a directory of more entries than any real one holds.
    const uint64_t count = number(countBytes, countWidth);
    if (count == 0 || count > 4096) return std::nullopt;
    const uint64_t entriesAt = first + countWidth;
    if (entriesAt + count * entryWidth > length) return std::nullopt;
    std::vector<uint8_t> entries(count * entryWidth);
    if (!ReadAt(file, start + entriesAt, entries.data(), entries.size())) return std::nullopt;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = entries.data() + i * entryWidth;
        directory.entries.push_back(
            {static_cast<uint16_t>(number(entry, 2)), static_cast<uint16_t>(number(entry + 2, 2)),
             number(entry + 4, directory.big ? 8 : 4), start + entriesAt + i * entryWidth});
    }
    directory.nextAt = start + entriesAt + count * entryWidth;
    directory.nextWidth = directory.big ? 8 : 4;
    return directory;
}

bool HasHeaderReader(int format) { return FindHeaderReader(format) != nullptr; }

std::optional<PixelSize> ReadHeaderSize(int format, std::istream& file) {
    const HeaderReader* reader = FindHeaderReader(format);
    return reader ? reader->read(file) : std::nullopt;
}

}  // namespace decoding

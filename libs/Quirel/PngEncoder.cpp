#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "DeflateStream.h"
#include "Encoders.h"
#include "OutputFile.h"
#include "PngRowFilter.h"

namespace quirel {
namespace {

// Filtered rows are gathered into blocks of about this size before they are compressed: the
// compressor runs fastest on long inputs, and memory stays the same at any page size.
constexpr size_t kBlockBytes = 256 * 1024;

void PutBe32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

std::optional<PngFilter> FixedFilter(PngFilters filters) {
    switch (filters) {
        case PngFilters::None:
            return kPngFilterNone;
        case PngFilters::Up:
            return kPngFilterUp;
        case PngFilters::PerBand:
            break;
    }
    return std::nullopt;
}

class PngEncoder : public PageEncoder {
  public:
    PngEncoder(const std::string& path, const PageGeometry& page, PngFilters filters)
        : file_(path),
          rowBytes_(static_cast<size_t>(page.width) * 3),
          fixedFilter_(FixedFilter(filters)),
          chooser_(rowBytes_),
          previous_(rowBytes_, 0),
          block_(std::max<size_t>(1, kBlockBytes / (rowBytes_ + 1)) * (rowBytes_ + 1)),
          toFile_([this](const uint8_t* data, size_t size) { writeChunk("IDAT", data, size); }) {
        static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        file_.write(kSignature, sizeof kSignature);
        uint8_t header[13] = {};
        PutBe32(header, static_cast<uint32_t>(page.width));
        PutBe32(header + 4, static_cast<uint32_t>(page.height));
        header[8] = 8;  // bits per sample
        header[9] = 2;  // truecolour
        writeChunk("IHDR", header, sizeof header);
        uint8_t density[9] = {};
        PutBe32(density, PixelsPerMetre(page.xDpi));
        PutBe32(density + 4, PixelsPerMetre(page.yDpi));
        density[8] = 1;  // metres
        writeChunk("pHYs", density, sizeof density);
    }

    void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) override {
        const uint8_t* above = previous_.data();
        const PngFilter filter =
            fixedFilter_ ? *fixedFilter_ : chooser_.choose(rgb, stride, rows, above);
        size_t used = 0;
        for (int row = 0; row < rows; ++row, above = rgb, rgb += stride) {
            block_[used] = filter;
            FilterRow(filter, rgb, above, block_.data() + used + 1, rowBytes_);
            used += rowBytes_ + 1;
            if (used == block_.size()) {
                deflate_.write(block_.data(), used, toFile_);
                used = 0;
            }
        }
        if (used) deflate_.write(block_.data(), used, toFile_);
        // The band's memory is drawn over next; its last row is the next band's row above.
        std::memcpy(previous_.data(), above, rowBytes_);
    }

    void finish() override {
        deflate_.finish(toFile_);
        writeChunk("IEND", nullptr, 0);
        file_.close();
    }

  private:
    void writeChunk(const char type[4], const uint8_t* data, size_t size) {
        uint8_t head[8];
        PutBe32(head, static_cast<uint32_t>(size));
        std::memcpy(head + 4, type, 4);
        uint32_t crc = Crc32(0, head + 4, 4);
        if (size) crc = Crc32(crc, data, size);
        uint8_t tail[4];
        PutBe32(tail, crc);
        file_.write(head, sizeof head);
        if (size) file_.write(data, size);
        file_.write(tail, sizeof tail);
    }

    OutputFile file_;
    size_t rowBytes_;
    std::optional<PngFilter> fixedFilter_;
    PngFilterChooser chooser_;
    std::vector<uint8_t> previous_;
    std::vector<uint8_t> block_;
    DeflateStream deflate_;
    const DeflateStream::Sink toFile_;
};

}  // namespace

std::unique_ptr<PageEncoder> NewPngEncoder(const std::string& path, const PageGeometry& page,
                                           PngFilters filters) {
    return std::make_unique<PngEncoder>(path, page, filters);
}

std::unique_ptr<PageEncoder> NewPngEncoder(const std::string& path, const PageGeometry& page) {
    return NewPngEncoder(path, page, PngFilters::PerBand);
}

}  // namespace quirel

#include <zlib.h>

#include <cstring>
#include <vector>

#include "Encoders.h"
#include "OutputFile.h"

namespace quirel {
namespace {

// Page images are mostly flat areas: the Up filter turns repeated rows into zeros, and a fast
// deflate level keeps encoding, the costliest step of a PNG export, short.
constexpr int kDeflateLevel = 1;
constexpr int kDeflateStrategy = Z_DEFAULT_STRATEGY;
constexpr uint8_t kFilterUp = 2;
constexpr size_t kChunkBytes = 256 * 1024;

// out = current - above, byte by byte modulo 256, eight bytes at a time.
void SubtractRow(const uint8_t* current, const uint8_t* above, uint8_t* out, size_t size) {
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t a, b;
        std::memcpy(&a, current + i, 8);
        std::memcpy(&b, above + i, 8);
        const uint64_t difference = ((a | kHigh) - (b & ~kHigh)) ^ ((a ^ ~b) & kHigh);
        std::memcpy(out + i, &difference, 8);
    }
    for (; i < size; ++i) out[i] = static_cast<uint8_t>(current[i] - above[i]);
}

void PutBe32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

class PngEncoder : public PageEncoder {
  public:
    PngEncoder(const std::string& path, const PageGeometry& page)
        : file_(path),
          rowBytes_(static_cast<size_t>(page.width) * 3),
          previous_(rowBytes_, 0),
          filtered_(rowBytes_ + 1),
          chunk_(kChunkBytes) {
        if (deflateInit2(&stream_, kDeflateLevel, Z_DEFLATED, 15, 8, kDeflateStrategy) != Z_OK)
            throw WriteError("deflate");
        streamOpen_ = true;
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
        filtered_[0] = kFilterUp;
        resetOutput();
    }

    ~PngEncoder() override {
        if (streamOpen_) deflateEnd(&stream_);
    }

    void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) override {
        const uint8_t* above = previous_.data();
        for (int row = 0; row < rows; ++row, above = rgb, rgb += stride) {
            SubtractRow(rgb, above, filtered_.data() + 1, rowBytes_);
            compress(filtered_.data(), filtered_.size(), Z_NO_FLUSH);
        }
        // The band's memory is drawn over next; its last row is the next band's row above.
        std::memcpy(previous_.data(), above, rowBytes_);
    }

    void finish() override {
        compress(nullptr, 0, Z_FINISH);
        flushOutput();
        writeChunk("IEND", nullptr, 0);
        file_.close();
    }

  private:
    void compress(const uint8_t* data, size_t size, int flush) {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            const int status = deflate(&stream_, flush);
            if (status == Z_STREAM_ERROR) throw WriteError("deflate");
            if (stream_.avail_out == 0) {
                flushOutput();
                continue;
            }
            if (flush == Z_FINISH ? status == Z_STREAM_END : stream_.avail_in == 0) return;
        }
    }

    void flushOutput() {
        const size_t used = chunk_.size() - stream_.avail_out;
        if (used) writeChunk("IDAT", chunk_.data(), used);
        resetOutput();
    }

    void resetOutput() {
        stream_.next_out = chunk_.data();
        stream_.avail_out = static_cast<uInt>(chunk_.size());
    }

    void writeChunk(const char type[4], const uint8_t* data, size_t size) {
        uint8_t head[8];
        PutBe32(head, static_cast<uint32_t>(size));
        std::memcpy(head + 4, type, 4);
        uLong crc = crc32(0, head + 4, 4);
        if (size) crc = crc32(crc, data, static_cast<uInt>(size));
        uint8_t tail[4];
        PutBe32(tail, static_cast<uint32_t>(crc));
        file_.write(head, sizeof head);
        if (size) file_.write(data, size);
        file_.write(tail, sizeof tail);
    }

    OutputFile file_;
    size_t rowBytes_;
    std::vector<uint8_t> previous_;
    std::vector<uint8_t> filtered_;
    std::vector<uint8_t> chunk_;
    z_stream stream_{};
    bool streamOpen_ = false;
};

}  // namespace

std::unique_ptr<PageEncoder> NewPngEncoder(const std::string& path, const PageGeometry& page) {
    return std::make_unique<PngEncoder>(path, page);
}

}  // namespace quirel

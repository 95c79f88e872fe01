#include "PngRowFilter.h"

#include <algorithm>
#include <cstring>

namespace quirel {
namespace {

// About one row in sixteen is sampled each way, in windows of up to 16 rows; at most 64.
constexpr int kWindowRows = 16;
constexpr int kRowsPerSample = 16;
constexpr int kMostSampleRows = 64;

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

}  // namespace

void FilterRow(PngFilter filter, const uint8_t* current, const uint8_t* above, uint8_t* out,
               size_t size) {
    if (filter == kPngFilterUp)
        SubtractRow(current, above, out, size);
    else
        std::memcpy(out, current, size);
}

PngFilterChooser::PngFilterChooser(size_t rowBytes)
    : rowBytes_(rowBytes), window_(kWindowRows * (rowBytes + 1)) {}

PngFilter PngFilterChooser::choose(const uint8_t* rgb, std::ptrdiff_t stride, int rows,
                                   const uint8_t* above) {
    const size_t none = compressedSize(kPngFilterNone, rgb, stride, rows, above);
    const size_t up = compressedSize(kPngFilterUp, rgb, stride, rows, above);
    return up < none ? kPngFilterUp : kPngFilterNone;
}

// The windows are spread evenly over the band and compressed as one stream, as the band
// would be.
size_t PngFilterChooser::compressedSize(PngFilter filter, const uint8_t* rgb, std::ptrdiff_t stride,
                                        int rows, const uint8_t* above) {
    size_t total = 0;
    const DeflateStream::Sink count = [&total](const uint8_t*, size_t size) { total += size; };
    deflate_.restart();
    const int sampleRows = std::clamp(rows / kRowsPerSample, 1, kMostSampleRows);
    const int windowRows = std::min(sampleRows, kWindowRows);
    const int windows = sampleRows / windowRows;
    for (int w = 0; w < windows; ++w) {
        const int top = (rows - windowRows) * (2 * w + 1) / (2 * windows);
        const uint8_t* over = top == 0 ? above : rgb + (top - 1) * stride;
        uint8_t* out = window_.data();
        for (int row = top; row < top + windowRows; ++row, out += rowBytes_ + 1) {
            const uint8_t* current = rgb + row * stride;
            out[0] = filter;
            FilterRow(filter, current, over, out + 1, rowBytes_);
            over = current;
        }
        deflate_.write(window_.data(), static_cast<size_t>(out - window_.data()), count);
    }
    deflate_.finish(count);
    return total;
}

}  // namespace quirel

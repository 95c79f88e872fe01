#include <vector>

#include "Encoders.h"
#include "OutputFile.h"

namespace quirel {
namespace {

void PutLe16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* at, uint32_t value) {
    PutLe16(at, value & 0xFFFF);
    PutLe16(at + 2, value >> 16);
}

// 24-bit BMP with the rows stored from the foot of the image up, as every reader expects;
// the renderer hands the bands over in that order.
class BmpEncoder : public PageEncoder {
  public:
    BmpEncoder(const std::string& path, const PageGeometry& page)
        : file_(path),
          width_(page.width),
          rowBytes_((static_cast<size_t>(page.width) * 3 + 3) & ~size_t{3}) {
        constexpr uint32_t kHeaderBytes = 14 + 40;
        const uint64_t imageBytes = uint64_t{rowBytes_} * static_cast<uint64_t>(page.height);
        uint8_t header[kHeaderBytes] = {'B', 'M'};
        PutLe32(header + 2, static_cast<uint32_t>(kHeaderBytes + imageBytes));
        PutLe32(header + 10, kHeaderBytes);
        PutLe32(header + 14, 40);
        PutLe32(header + 18, static_cast<uint32_t>(page.width));
        PutLe32(header + 22, static_cast<uint32_t>(page.height));
        PutLe16(header + 26, 1);
        PutLe16(header + 28, 24);
        PutLe32(header + 34, static_cast<uint32_t>(imageBytes));
        PutLe32(header + 38, PixelsPerMetre(page.xDpi));
        PutLe32(header + 42, PixelsPerMetre(page.yDpi));
        file_.write(header, sizeof header);
    }

    bool bottomUp() const override { return true; }

    void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) override {
        band_.assign(rowBytes_ * static_cast<size_t>(rows), 0);
        for (int row = 0; row < rows; ++row) {
            const uint8_t* in = rgb + (rows - 1 - row) * stride;
            uint8_t* out = band_.data() + rowBytes_ * static_cast<size_t>(row);
            for (int x = 0; x < width_; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
        file_.write(band_.data(), band_.size());
    }

    void finish() override { file_.close(); }

  private:
    OutputFile file_;
    int width_;
    size_t rowBytes_;
    std::vector<uint8_t> band_;
};

}  // namespace

std::unique_ptr<PageEncoder> NewBmpEncoder(const std::string& path, const PageGeometry& page) {
    return std::make_unique<BmpEncoder>(path, page);
}

}  // namespace quirel

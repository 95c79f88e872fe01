// The PNG writer on its own: every filter it may use decodes to the pixels it was given, and
// a page fed in several bands, each with its own filter, stays whole at the seams.
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "Encoders.h"
#include "EngineFixture.h"
#include "TestDocuments.h"

using enginetest::Decode;
using enginetest::DecodedImage;

namespace {

constexpr int kWidth = 203;  // not a multiple of the filter's eight-byte steps
constexpr size_t kRowBytes = kWidth * 3;
constexpr std::ptrdiff_t kStride = kRowBytes + 5;

uint32_t Be32(const unsigned char* at) {
    return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// The filter byte of every row, read back from the file's inflated image data.
std::vector<int> RowFilters(const std::filesystem::path& file, int height) {
    std::ifstream in(file, std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(in), {}};
    std::string compressed;
    for (size_t at = 8; at + 12 <= png.size();) {
        const auto* head = reinterpret_cast<const unsigned char*>(png.data() + at);
        const uint32_t size = Be32(head);
        if (png.compare(at + 4, 4, "IDAT") == 0) compressed.append(png, at + 8, size);
        at += 12 + size;
    }
    std::vector<unsigned char> raw(static_cast<size_t>(height) * (kRowBytes + 1));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(compressed.data()),
                         static_cast<uLong>(compressed.size())),
              Z_OK);
    EXPECT_EQ(rawSize, raw.size());
    std::vector<int> filters;
    for (int row = 0; row < height; ++row) filters.push_back(raw[row * (kRowBytes + 1)]);
    return filters;
}

// Rows that Up turns into a constant: each is the one above plus one.
void RisingRows(uint8_t* band, int rows, const std::vector<uint8_t>& pattern, int firstRow) {
    for (int row = 0; row < rows; ++row)
        for (size_t i = 0; i < kRowBytes; ++i)
            band[row * kStride + i] = static_cast<uint8_t>(pattern[i] + firstRow + row);
}

// Rows that repeat the one above shifted by a pixel: deflate finds them unfiltered, Up
// turns them into noise.
void ShiftedRows(uint8_t* band, int rows, const std::vector<uint8_t>& pattern, int firstRow) {
    for (int row = 0; row < rows; ++row)
        for (size_t i = 0; i < kRowBytes; ++i)
            band[row * kStride + i] = pattern[(i + 3 * (firstRow + row)) % kRowBytes];
}

class PngEncoderTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        std::mt19937 random(7);
        for (uint8_t& byte : pattern_) byte = static_cast<uint8_t>(random());
    }

    // Writes the bands (rows each, filled by fill) through one band buffer, as the renderer
    // draws every band over the last; returns the page's pixels, packed.
    std::vector<uint8_t> writePage(quirel::PngFilters filters, const std::vector<int>& bandRows,
                                   const std::filesystem::path& file) {
        int height = 0;
        for (const int rows : bandRows) height += rows;
        auto encoder = quirel::NewPngEncoder(file.string(), {kWidth, height, 150, 150}, filters);
        std::vector<uint8_t> band(kStride * 64), page;
        int top = 0;
        for (size_t i = 0; i < bandRows.size(); ++i) {
            (i % 2 ? ShiftedRows : RisingRows)(band.data(), bandRows[i], pattern_, top);
            encoder->writeRows(band.data(), kStride, bandRows[i]);
            for (int row = 0; row < bandRows[i]; ++row)
                page.insert(page.end(), band.begin() + row * kStride,
                            band.begin() + row * kStride + kRowBytes);
            top += bandRows[i];
        }
        encoder->finish();
        return page;
    }

    std::vector<uint8_t> pattern_ = std::vector<uint8_t>(kRowBytes);
};

TEST_F(PngEncoderTest, EveryFilterChoiceDecodesToThePixelsGiven) {
    const std::pair<quirel::PngFilters, int> cases[] = {{quirel::PngFilters::None, 0},
                                                        {quirel::PngFilters::Up, 2},
                                                        {quirel::PngFilters::PerBand, 2}};
    for (const auto& [filters, expected] : cases) {
        SCOPED_TRACE(expected);
        const auto file = path("page.png");
        const std::vector<uint8_t> pixels = writePage(filters, {50}, file);
        const DecodedImage image = Decode(file);
        ASSERT_EQ(image.width, kWidth);
        ASSERT_EQ(image.height, 50);
        EXPECT_TRUE(image.rgb == pixels);
        EXPECT_EQ(RowFilters(file, 50), std::vector<int>(50, expected));
    }
}

TEST_F(PngEncoderTest, EachBandKeepsItsOwnFilterAndTheSeamsStayWhole) {
    const auto file = path("bands.png");
    const std::vector<uint8_t> pixels = writePage(quirel::PngFilters::PerBand, {37, 23, 41}, file);
    const DecodedImage image = Decode(file);
    ASSERT_EQ(image.height, 101);
    EXPECT_TRUE(image.rgb == pixels);
    std::vector<int> expected(37, 2);
    expected.insert(expected.end(), 23, 0);
    expected.insert(expected.end(), 41, 2);
    EXPECT_EQ(RowFilters(file, 101), expected);
}

}  // namespace

// Colour reduction for palette formats: a census of the page's colours, a palette chosen from
// it, and the mapping of every pixel to its nearest palette entry (no dithering, so text edges
// stay clean).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quirel {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

class ColourCensus {
  public:
    ColourCensus();
    void addRows(const uint8_t* rgb, std::ptrdiff_t stride, int width, int rows);
    // The page's own colours when there are at most maxColours of them (anti-aliased black and
    // white text has at most 256 greys); otherwise a median-cut palette of maxColours.
    std::vector<Rgb> palette(size_t maxColours) const;

  private:
    struct Cell {
        uint64_t count = 0;
        uint64_t sum[3] = {};
    };
    void noteExact(uint32_t colour);

    std::vector<Cell> cells_;             // 5 bits per channel
    std::array<uint32_t, 1024> exact_{};  // open addressing; colour + 1, 0 for empty
    size_t exactCount_ = 0;
    bool exactOverflow_ = false;
};

class ColourMapper {
  public:
    explicit ColourMapper(std::vector<Rgb> palette);
    uint8_t indexOf(const uint8_t* rgb);

  private:
    uint8_t nearest(const uint8_t* rgb) const;

    struct Entry {
        uint32_t key = 0;  // colour + 1, 0 for empty
        uint8_t index = 0;
    };
    std::vector<Rgb> palette_;
    std::vector<Entry> cache_;
};

}  // namespace quirel

#include "Palette.h"

#include <algorithm>

namespace quirel {
namespace {

constexpr size_t kCacheSize = 1u << 16;

uint32_t Pack(const uint8_t* rgb) {
    return uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
}

size_t CellOf(const uint8_t* rgb) {
    return static_cast<size_t>(rgb[0] >> 3) << 10 | static_cast<size_t>(rgb[1] >> 3) << 5 |
           static_cast<size_t>(rgb[2] >> 3);
}

uint32_t Hash(uint32_t colour) { return (colour * 2654435761u) >> 16; }

// Median cut over the occupied histogram cells: the box with the largest population times
// extent is split at its population median along its longest side.
class MedianCut {
  public:
    struct Cell {
        uint8_t axis[3];
        uint64_t count;
        const uint64_t* sum;
    };

    explicit MedianCut(std::vector<Cell> cells) : cells_(std::move(cells)) {
        boxes_.push_back(measure(0, cells_.size()));
    }

    std::vector<Rgb> run(size_t maxColours) {
        while (boxes_.size() < maxColours) {
            auto widest = std::max_element(boxes_.begin(), boxes_.end(), [](auto& a, auto& b) {
                return a.priority < b.priority;
            });
            if (widest->priority == 0) break;
            const Box box = *widest;
            const size_t middle = split(box);
            *widest = measure(box.begin, middle);
            boxes_.push_back(measure(middle, box.end));
        }
        std::vector<Rgb> palette;
        for (const Box& box : boxes_) palette.push_back(mean(box));
        return palette;
    }

  private:
    struct Box {
        size_t begin, end;
        uint64_t count;
        int axis;
        uint64_t priority;
    };

    Box measure(size_t begin, size_t end) const {
        int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
        uint64_t count = 0;
        for (size_t i = begin; i < end; ++i) {
            count += cells_[i].count;
            for (int c = 0; c < 3; ++c) {
                low[c] = std::min<int>(low[c], cells_[i].axis[c]);
                high[c] = std::max<int>(high[c], cells_[i].axis[c]);
            }
        }
        int axis = 0;
        for (int c = 1; c < 3; ++c)
            if (high[c] - low[c] > high[axis] - low[axis]) axis = c;
        const auto extent = static_cast<uint64_t>(high[axis] - low[axis]);
        return {begin, end, count, axis, end - begin > 1 ? count * extent : 0};
    }

    size_t split(const Box& box) {
        const int axis = box.axis;
        std::sort(cells_.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  cells_.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [axis](const Cell& a, const Cell& b) { return a.axis[axis] < b.axis[axis]; });
        uint64_t below = 0;
        size_t middle = box.begin;
        while (middle < box.end - 1 && below + cells_[middle].count <= box.count / 2)
            below += cells_[middle++].count;
        return std::max(middle, box.begin + 1);
    }

    Rgb mean(const Box& box) const {
        uint64_t sum[3] = {};
        for (size_t i = box.begin; i < box.end; ++i)
            for (int c = 0; c < 3; ++c) sum[c] += cells_[i].sum[c];
        auto channel = [&](int c) {
            return static_cast<uint8_t>((sum[c] + box.count / 2) / box.count);
        };
        return {channel(0), channel(1), channel(2)};
    }

    std::vector<Cell> cells_;
    std::vector<Box> boxes_;
};

}  // namespace

ColourCensus::ColourCensus() : cells_(1u << 15) {}

void ColourCensus::noteExact(uint32_t colour) {
    const uint32_t key = colour + 1;
    for (size_t slot = Hash(colour) % exact_.size();; slot = (slot + 1) % exact_.size()) {
        if (exact_[slot] == key) return;
        if (exact_[slot] == 0) {
            if (exactCount_ == 256) {
                exactOverflow_ = true;
                return;
            }
            exact_[slot] = key;
            ++exactCount_;
            return;
        }
    }
}

void ColourCensus::addRows(const uint8_t* rgb, std::ptrdiff_t stride, int width, int rows) {
    for (int row = 0; row < rows; ++row, rgb += stride) {
        uint32_t previous = 0xFFFFFFFF;
        for (const uint8_t* p = rgb; p < rgb + 3 * width; p += 3) {
            Cell& cell = cells_[CellOf(p)];
            ++cell.count;
            for (int c = 0; c < 3; ++c) cell.sum[c] += p[c];
            const uint32_t colour = Pack(p);
            if (colour != previous && !exactOverflow_) noteExact(colour);
            previous = colour;
        }
    }
}

std::vector<Rgb> ColourCensus::palette(size_t maxColours) const {
    std::vector<Rgb> palette;
    if (!exactOverflow_ && exactCount_ <= maxColours) {
        for (uint32_t key : exact_)
            if (key) {
                const uint32_t colour = key - 1;
                palette.push_back({static_cast<uint8_t>(colour >> 16),
                                   static_cast<uint8_t>(colour >> 8),
                                   static_cast<uint8_t>(colour)});
            }
        return palette;
    }
    std::vector<MedianCut::Cell> occupied;
    for (size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].count)
            occupied.push_back({{static_cast<uint8_t>(i >> 10), static_cast<uint8_t>(i >> 5 & 31),
                                 static_cast<uint8_t>(i & 31)},
                                cells_[i].count,
                                cells_[i].sum});
    return MedianCut(std::move(occupied)).run(maxColours);
}

ColourMapper::ColourMapper(std::vector<Rgb> palette)
    : palette_(std::move(palette)), cache_(kCacheSize) {}

uint8_t ColourMapper::indexOf(const uint8_t* rgb) {
    const uint32_t colour = Pack(rgb);
    Entry& entry = cache_[Hash(colour) % kCacheSize];
    if (entry.key != colour + 1) entry = {colour + 1, nearest(rgb)};
    return entry.index;
}

uint8_t ColourMapper::nearest(const uint8_t* rgb) const {
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette_.size() && bestDistance; ++i) {
        const int dr = palette_[i].r - rgb[0], dg = palette_[i].g - rgb[1],
                  db = palette_[i].b - rgb[2];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

}  // namespace quirel

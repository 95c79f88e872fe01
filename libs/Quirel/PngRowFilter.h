// PNG's row filters the page writer uses, and the choice between them for a band of rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DeflateStream.h"

namespace quirel {

enum PngFilter : uint8_t { kPngFilterNone = 0, kPngFilterUp = 2 };

// out = current filtered against above (the row over it, zeros over the first row).
void FilterRow(PngFilter filter, const uint8_t* current, const uint8_t* above, uint8_t* out,
               size_t size);

// Pages differ in which filter packs them best with a fast deflate: text and line art on
// white come out smaller unfiltered, photographs and shading smaller with Up. A few short
// windows of the band are compressed both ways, which costs a small part of encoding the band.
class PngFilterChooser {
  public:
    explicit PngFilterChooser(size_t rowBytes);

    // rows rows of rgb, stride bytes apart; above is the row over the first.
    PngFilter choose(const uint8_t* rgb, std::ptrdiff_t stride, int rows, const uint8_t* above);

  private:
    size_t compressedSize(PngFilter filter, const uint8_t* rgb, std::ptrdiff_t stride, int rows,
                          const uint8_t* above);

    size_t rowBytes_;
    std::vector<uint8_t> window_;
    DeflateStream deflate_;
};

}  // namespace quirel

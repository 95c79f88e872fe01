// Image files of the shapes that break or swamp a decoder: headers that claim 65535 x 65535
// pixels in a few bytes, thumbnails that claim far more than their image, loaders that never
// end, a file cut short. The decoder tests and the PDF writer's tests both feed them in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hostile {

// Adobe's CMYK form stores every sample inverted and says so in its APP14 marker; the plain form
// has no such marker and stores the ink as it is.
enum class JpegColours { Grey, AdobeCmyk, PlainCmyk };

// A sound baseline JPEG through libjpeg, of the samples sample(x, y, component) gives: grey, or
// cyan, magenta, yellow and black with 0 for no ink.
std::string EncodeJpeg(unsigned width, unsigned height, JpegColours colours,
                       const std::function<uint8_t(unsigned x, unsigned y, int component)>& sample);

std::string GifBomb();     // 35 bytes
std::string PngBomb();     // 69 bytes
std::string BmpBomb();     // 154 bytes
std::string PcxBomb();     // a 128-byte header and a few bytes of data
std::string IffBomb();     // a BMHD and the start of a BODY
std::string PsdBomb();     // the 26-byte header and empty sections
std::string IcoBomb();     // one entry, holding a PNG whose IHDR claims the size
std::string HangingIff();  // 19 bytes that FreeImage's IFF loader reads for ever
// 783 bytes: a BMHD, a palette and a BODY whose name and length are damaged, after which
// FreeImage's IFF loader reads on past the end for ever.
std::string DamagedIff();
// A JPEG whose frame header claims 30000 x 30000 pixels.
std::string JpegFrameBomb();
// A sound 1269 x 1644 CMYK photo carrying two thumbnails that each claim 30000 x 30000 pixels:
// one in its Exif block (the second directory's JPEGInterchangeFormat) and one in a JFXX APP0.
std::string CmykPhotoWithThumbnailBombs();
// A 16 x 16 TIFF whose SubIFD and second directory (beside an Exif directory) each claim
// 20000 x 20000 pixels.
std::string TiffWithThumbnailBombs();
// A PSD of run-length coded rows cut short just inside its pixel data; FreeImage's PSD loader
// reads past its buffers on it.
std::string TruncatedPsd();

}  // namespace hostile

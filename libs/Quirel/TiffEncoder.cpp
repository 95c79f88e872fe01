#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "Encoders.h"

namespace quirel {
namespace {

// Lossless and fast: deflate at a low level with horizontal differencing, which suits the
// flat areas of page images.
constexpr int kDeflateLevel = 1;
constexpr size_t kStripBytes = 256 * 1024;

int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenQuietly(const std::string& path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, Silent, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Silent, nullptr);
    errno = 0;
    TIFF* tiff = TIFFOpenExt(path.c_str(), "w", options);
    TIFFOpenOptionsFree(options);
    if (!tiff) throw WriteError("cannot create " + path, errno);
    return tiff;
}

class TiffEncoder : public PageEncoder {
  public:
    TiffEncoder(const std::string& path, const PageGeometry& page)
        : tiff_(OpenQuietly(path)), row_(static_cast<size_t>(page.width) * 3) {
        const auto rowsPerStrip =
            static_cast<uint32_t>(std::max<size_t>(1, kStripBytes / row_.size()));
        TIFFSetField(tiff_, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(page.width));
        TIFFSetField(tiff_, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.height));
        TIFFSetField(tiff_, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff_, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff_, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff_, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tiff_, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tiff_, TIFFTAG_ZIPQUALITY, kDeflateLevel);
        TIFFSetField(tiff_, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        TIFFSetField(tiff_, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tiff_, TIFFTAG_XRESOLUTION, static_cast<float>(page.xDpi));
        TIFFSetField(tiff_, TIFFTAG_YRESOLUTION, static_cast<float>(page.yDpi));
    }

    ~TiffEncoder() override {
        if (tiff_) TIFFClose(tiff_);
    }

    void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) override {
        // The predictor rewrites the row it is given, so it gets a copy.
        errno = 0;  // a failed write leaves its own
        for (int row = 0; row < rows; ++row) {
            std::memcpy(row_.data(), rgb + row * stride, row_.size());
            if (TIFFWriteScanline(tiff_, row_.data(), nextRow_++, 0) < 0)
                throw WriteError("tiff write", errno);
        }
    }

    void finish() override {
        errno = 0;
        const bool flushed = TIFFFlush(tiff_) == 1;
        const int flushError = errno;
        TIFFClose(tiff_);
        tiff_ = nullptr;
        if (!flushed) throw WriteError("tiff finish", flushError);
    }

  private:
    TIFF* tiff_;
    std::vector<uint8_t> row_;
    uint32_t nextRow_ = 0;
};

}  // namespace

std::unique_ptr<PageEncoder> NewTiffEncoder(const std::string& path, const PageGeometry& page) {
    return std::make_unique<TiffEncoder>(path, page);
}

}  // namespace quirel

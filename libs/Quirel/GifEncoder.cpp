#include <gif_lib.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "Encoders.h"
#include "OutputFile.h"
#include "Palette.h"

namespace quirel {
namespace {

constexpr size_t kMaxColours = 256;

int WriteToFile(GifFileType* gif, const GifByteType* data, int size) {
    return static_cast<int>(
        std::fwrite(data, 1, static_cast<size_t>(size), static_cast<std::FILE*>(gif->UserData)));
}

int BitsFor(size_t colours) {
    int bits = 1;
    while ((size_t{1} << bits) < colours) ++bits;
    return bits;
}

// The palette must fit the whole page, so the page comes twice: the first pass takes the
// census, the second maps and writes. Memory stays at one band whatever the page size.
class GifEncoder : public PageEncoder {
  public:
    GifEncoder(const std::string& path, const PageGeometry& page)
        : file_(path), page_(page), indices_(static_cast<size_t>(page.width)) {}

    ~GifEncoder() override {
        if (gif_) EGifCloseFile(gif_, nullptr);
    }

    int passCount() const override { return 2; }

    void beginPass(int pass) override {
        if (pass == 1) startImage(census_.palette(kMaxColours));
    }

    void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) override {
        if (!gif_) {
            census_.addRows(rgb, stride, page_.width, rows);
            return;
        }
        errno = 0;  // a failed write through WriteToFile leaves its own
        for (int row = 0; row < rows; ++row, rgb += stride) {
            for (size_t x = 0; x < indices_.size(); ++x)
                indices_[x] = mapper_->indexOf(rgb + 3 * x);
            if (EGifPutLine(gif_, indices_.data(), page_.width) != GIF_OK)
                throw WriteError("gif write", errno);
        }
    }

    void finish() override {
        GifFileType* gif = gif_;
        gif_ = nullptr;
        errno = 0;
        if (EGifCloseFile(gif, nullptr) != GIF_OK) throw WriteError("gif finish", errno);
        file_.close();
    }

  private:
    void startImage(std::vector<Rgb> palette) {
        const int bits = BitsFor(palette.size());
        std::vector<GifColorType> colours(size_t{1} << bits, GifColorType{0, 0, 0});
        for (size_t i = 0; i < palette.size(); ++i)
            colours[i] = {palette[i].r, palette[i].g, palette[i].b};
        mapper_.emplace(std::move(palette));
        int error = 0;
        errno = 0;
        gif_ = EGifOpen(file_.handle(), WriteToFile, &error);
        if (!gif_) throw WriteError("gif open", errno);
        ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
        const bool written =
            map && EGifPutScreenDesc(gif_, page_.width, page_.height, bits, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif_, 0, 0, page_.width, page_.height, false, nullptr) == GIF_OK;
        GifFreeMapObject(map);
        if (!written) throw WriteError("gif header", errno);
    }

    OutputFile file_;
    PageGeometry page_;
    ColourCensus census_;
    std::optional<ColourMapper> mapper_;
    std::vector<GifPixelType> indices_;
    GifFileType* gif_ = nullptr;
};

}  // namespace

std::unique_ptr<PageEncoder> NewGifEncoder(const std::string& path, const PageGeometry& page) {
    return std::make_unique<GifEncoder>(path, page);
}

}  // namespace quirel

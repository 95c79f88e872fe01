#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "Encoders.h"
#include "JumpingJpegErrors.h"
#include "OutputFile.h"

namespace quirel {
namespace {

// High enough that small text keeps clean edges, the usual point for document scans.
constexpr int kQuality = 90;

// The whole band in one call: libjpeg takes what fills its buffers and is asked for the rest.
void WriteLines(jpeg_compress_struct& info, const uint8_t* rgb, std::ptrdiff_t stride, int rows,
                std::vector<JSAMPROW>& lines) {
    lines.resize(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) lines[row] = const_cast<JSAMPROW>(rgb + row * stride);
    for (int done = 0; done < rows;) {
        const JDIMENSION written =
            jpeg_write_scanlines(&info, lines.data() + done, static_cast<JDIMENSION>(rows - done));
        if (written == 0) return;  // rows beyond the image's height
        done += static_cast<int>(written);
    }
}

// libjpeg reports failures by jumping out of the call; every entry into it sets the landing
// point first and turns the jump into a WriteError here, outside libjpeg's frames.
class JpegEncoder : public PageEncoder {
  public:
    JpegEncoder(const std::string& path, const PageGeometry& page) : file_(path) {
        info_.err = common::UseJumpingErrors(errors_);
        if (setjmp(errors_.jump)) {
            // The destructor does not run for a constructor that throws.
            if (created_) jpeg_destroy_compress(&info_);
            throw WriteError("jpeg setup");
        }
        jpeg_create_compress(&info_);
        created_ = true;
        jpeg_stdio_dest(&info_, file_.handle());
        info_.image_width = static_cast<JDIMENSION>(page.width);
        info_.image_height = static_cast<JDIMENSION>(page.height);
        info_.input_components = 3;
        info_.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, kQuality, TRUE);
        info_.density_unit = 1;  // dots per inch
        info_.X_density = static_cast<UINT16>(std::min(page.xDpi, 65535));
        info_.Y_density = static_cast<UINT16>(std::min(page.yDpi, 65535));
        jpeg_start_compress(&info_, TRUE);
    }

    ~JpegEncoder() override {
        if (created_) jpeg_destroy_compress(&info_);
    }

    // libjpeg writes through stdio: a failed write leaves its errno behind.
    void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) override {
        errno = 0;
        if (setjmp(errors_.jump)) throw WriteError("jpeg write", errno);
        WriteLines(info_, rgb, stride, rows, lines_);
    }

    void finish() override {
        errno = 0;
        if (setjmp(errors_.jump)) throw WriteError("jpeg finish", errno);
        jpeg_finish_compress(&info_);
        file_.close();
    }

  private:
    OutputFile file_;
    common::JumpingJpegErrors errors_{};
    jpeg_compress_struct info_{};
    bool created_ = false;
    std::vector<JSAMPROW> lines_;
};

}  // namespace

std::unique_ptr<PageEncoder> NewJpegEncoder(const std::string& path, const PageGeometry& page) {
    return std::make_unique<JpegEncoder>(path, page);
}

}  // namespace quirel

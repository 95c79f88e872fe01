// MuPDF decodes JPEG images with the system's libjpeg, whose own error manager prints
// warnings such as "Corrupt JPEG data: ..." on standard error. The library is linked so that
// every libjpeg error manager set up inside it, MuPDF's included, hands its messages to
// MuPDF's warning callback instead, which is quiet: the engine prints nothing.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
}

namespace quirel {

// While it lives, libjpeg messages on this thread go to ctx's warning callback; without one
// they are dropped.
class JpegWarningsTo {
  public:
    explicit JpegWarningsTo(fz_context* ctx);
    ~JpegWarningsTo();
    JpegWarningsTo(const JpegWarningsTo&) = delete;
    JpegWarningsTo& operator=(const JpegWarningsTo&) = delete;

  private:
    fz_context* outer_;
};

}  // namespace quirel

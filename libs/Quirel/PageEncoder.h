// Writes one rendered page to one image file, band by band, top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quirel {

// A file could not be created or written; the export stops.
class WriteError : public std::runtime_error {
  public:
    // systemError: the C library's error number (errno) of the call that failed, 0 when the
    // failure was not the system's (an encoder that could not be set up).
    explicit WriteError(const std::string& what, int systemError = 0)
        : std::runtime_error(what), systemError_(systemError) {}
    int systemError() const { return systemError_; }

  private:
    int systemError_;
};

struct PageGeometry {
    int width = 0;   // pixels
    int height = 0;  // pixels
    int xDpi = 0;
    int yDpi = 0;
};

class PageEncoder {
  public:
    virtual ~PageEncoder() = default;
    // An encoder that must see the whole page before writing (a palette) asks for the page
    // twice; pass counts from 0 and every pass delivers all rows.
    virtual int passCount() const { return 1; }
    virtual void beginPass(int /*pass*/) {}
    // Bottom-up formats get the bands from the foot of the page up, so they never seek.
    virtual bool bottomUp() const { return false; }
    // rows rows of packed RGB, stride bytes apart, top to bottom within the band.
    virtual void writeRows(const uint8_t* rgb, std::ptrdiff_t stride, int rows) = 0;
    // Completes the file; throws WriteError when it cannot be completed.
    virtual void finish() = 0;
};

}  // namespace quirel

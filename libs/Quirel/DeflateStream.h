// The zlib-format deflate stream of a PNG's image data at the fastest level, which already
// packs the flat areas of a page tightly. Built on ISA-L where the build found it (several
// times faster), else on zlib; both behave the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace quirel {

class DeflateStream {
  public:
    // Receives the compressed bytes, one full output buffer at a time.
    using Sink = std::function<void(const uint8_t* data, size_t size)>;

    // Throws WriteError when the compressor cannot be set up.
    DeflateStream();
    ~DeflateStream();
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    // The input need not outlive the call.
    void write(const uint8_t* data, size_t size, const Sink& sink);
    // Ends the stream and hands over what is left.
    void finish(const Sink& sink);
    // Starts a new stream, keeping the buffers.
    void restart();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The CRC-32 of PNG chunks and zlib, continued from crc (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace quirel

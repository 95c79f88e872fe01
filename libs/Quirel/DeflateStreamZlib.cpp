#include <zlib.h>

#include <vector>

#include "DeflateStream.h"
#include "PageEncoder.h"

namespace quirel {
namespace {

constexpr size_t kOutputBytes = 256 * 1024;

}  // namespace

struct DeflateStream::State {
    z_stream stream{};
    std::vector<uint8_t> output = std::vector<uint8_t>(kOutputBytes);

    State() {
        if (deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw WriteError("deflate");
        resetOutput();
    }
    ~State() { deflateEnd(&stream); }

    void resetOutput() {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
    }

    void drain(const Sink& sink) {
        const size_t used = output.size() - stream.avail_out;
        if (used) sink(output.data(), used);
        resetOutput();
    }

    // Returns deflate's status; a stream error throws.
    int deflate(int flush) {
        const int status = ::deflate(&stream, flush);
        if (status == Z_STREAM_ERROR) throw WriteError("deflate");
        return status;
    }
};

DeflateStream::DeflateStream() : state_(std::make_unique<State>()) {}

DeflateStream::~DeflateStream() = default;

void DeflateStream::write(const uint8_t* data, size_t size, const Sink& sink) {
    z_stream& stream = state_->stream;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    do {
        state_->deflate(Z_NO_FLUSH);
        if (stream.avail_out == 0) state_->drain(sink);
    } while (stream.avail_in > 0);
}

void DeflateStream::finish(const Sink& sink) {
    z_stream& stream = state_->stream;
    stream.next_in = nullptr;
    stream.avail_in = 0;
    while (state_->deflate(Z_FINISH) != Z_STREAM_END) state_->drain(sink);
    state_->drain(sink);
}

void DeflateStream::restart() {
    deflateReset(&state_->stream);
    state_->resetOutput();
}

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
    return static_cast<uint32_t>(::crc32(crc, data, static_cast<uInt>(size)));
}

}  // namespace quirel

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <vector>

#include "DeflateStream.h"
#include "PageEncoder.h"

namespace quirel {
namespace {

constexpr size_t kOutputBytes = 256 * 1024;

}  // namespace

struct DeflateStream::State {
    isal_zstream stream{};
    std::vector<uint8_t> levelBuffer = std::vector<uint8_t>(ISAL_DEF_LVL1_DEFAULT);
    std::vector<uint8_t> output = std::vector<uint8_t>(kOutputBytes);

    void begin() {
        isal_deflate_init(&stream);
        stream.level = 1;
        stream.level_buf = levelBuffer.data();
        stream.level_buf_size = static_cast<uint32_t>(levelBuffer.size());
        stream.gzip_flag = IGZIP_ZLIB;
        resetOutput();
    }

    void resetOutput() {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uint32_t>(output.size());
    }

    void drain(const Sink& sink) {
        const size_t used = output.size() - stream.avail_out;
        if (used) sink(output.data(), used);
        resetOutput();
    }

    void deflate() {
        if (isal_deflate(&stream) != COMP_OK) throw WriteError("deflate");
    }
};

DeflateStream::DeflateStream() : state_(std::make_unique<State>()) { state_->begin(); }

DeflateStream::~DeflateStream() = default;

void DeflateStream::write(const uint8_t* data, size_t size, const Sink& sink) {
    isal_zstream& stream = state_->stream;
    stream.next_in = const_cast<uint8_t*>(data);
    stream.avail_in = static_cast<uint32_t>(size);
    do {
        state_->deflate();
        if (stream.avail_out == 0) state_->drain(sink);
    } while (stream.avail_in > 0);
}

void DeflateStream::finish(const Sink& sink) {
    isal_zstream& stream = state_->stream;
    stream.next_in = nullptr;
    stream.avail_in = 0;
    stream.end_of_stream = 1;
    do {
        state_->deflate();
        if (stream.avail_out == 0) state_->drain(sink);
    } while (stream.internal_state.state != ZSTATE_END);
    state_->drain(sink);
}

void DeflateStream::restart() { state_->begin(); }

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
    return crc32_gzip_refl(crc, data, size);
}

}  // namespace quirel

#include "LayerFiles.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "DecodeFaults.h"
#include "Messages.h"
#include "platform/Host.h"

namespace pdfctl32 {
namespace {

// More than any file it is meant to read: the reader refuses a larger recognition file, and
// the font is under a kilobyte. A larger file is never read whole.
constexpr size_t kRecognitionFileLimit = (64 << 20) + 1;
constexpr size_t kFontFileLimit = 1 << 20;

struct Contents {
    std::string bytes;
    bool read = false;
};

// At most limit bytes of a regular file.
Contents ReadUpTo(const std::string& path, size_t limit) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    Contents contents;
    char buffer[64 * 1024];
    while (contents.bytes.size() < limit && file) {
        file.read(buffer, static_cast<std::streamsize>(
                              std::min(sizeof buffer, limit - contents.bytes.size())));
        contents.bytes.append(buffer, static_cast<size_t>(file.gcount()));
    }
    contents.read = !file.bad();
    return contents;
}

}  // namespace

RecognitionRead ReadRecognitionFile(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        return {{}, decoding::Fill(messages::kRecognitionFileMissing, {path})};
    const Contents contents = ReadUpTo(path, kRecognitionFileLimit);
    if (!contents.read) return {{}, decoding::Fill(messages::kRecognitionFileUnreadable, {path})};
    recognition::ParsedRecognizedPage parsed = recognition::ParseRecognizedPage(contents.bytes);
    if (!parsed.error.empty())
        return {{}, decoding::Fill(messages::kRecognitionFileRefused, {path, parsed.error})};
    return {std::move(parsed.page), {}};
}

FontRead ReadLayerFont() {
    const std::string path = platform::ThisModuleFolder() + "/" + kLayerFontName;
    const Contents contents = ReadUpTo(path, kFontFileLimit);
    // A TrueType file begins with its version 1.0, and holds a table directory at least.
    if (!contents.read || contents.bytes.size() < 12 || contents.bytes.size() == kFontFileLimit ||
        contents.bytes.compare(0, 4, std::string("\0\1\0\0", 4)) != 0) {
        return {{}, decoding::Fill(messages::kLayerFontMissing, {path})};
    }
    return {contents.bytes, {}};
}

}  // namespace pdfctl32

#include "LineText.h"

#include <optional>
#include <string_view>

namespace ocr {
namespace {

struct CodePointRange {
    char32_t first, last;
};

constexpr CodePointRange kWithoutSpaces[] = {
    {0x1100, 0x11FF}, {0x2E80, 0x2FDF}, {0x3000, 0x303F},   {0x3040, 0x30FF}, {0x3100, 0x31BF},
    {0x31F0, 0x31FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},   {0xAC00, 0xD7AF}, {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F}, {0xFF00, 0xFFEF}, {0x20000, 0x3134F},
};

// The code point a UTF-8 sequence starts with at offset, or nothing for a broken one.
std::optional<char32_t> DecodeAt(std::string_view text, size_t offset) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    if (length == 0 || offset + length > text.size()) return std::nullopt;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    return value;
}

std::optional<char32_t> LastCharacter(std::string_view text) {
    size_t start = text.size();
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
    return start == 0 ? std::nullopt : DecodeAt(text, start - 1);
}

bool WithoutSpaces(std::optional<char32_t> character) {
    return character && IsWrittenWithoutSpaces(*character);
}

}  // namespace

bool IsWrittenWithoutSpaces(char32_t character) {
    for (const CodePointRange& range : kWithoutSpaces) {
        if (character >= range.first && character <= range.last) return true;
    }
    return false;
}

std::string LineText(std::string_view recognized) {
    constexpr std::string_view kWhitespace = " \t\r\n";
    std::string line;
    size_t at = recognized.find_first_not_of(kWhitespace);
    while (at != std::string_view::npos) {
        const size_t gap = recognized.find_first_of(kWhitespace, at);
        const std::string_view word = recognized.substr(at, gap - at);
        if (!line.empty() &&
            !(WithoutSpaces(LastCharacter(line)) && WithoutSpaces(DecodeAt(word, 0)))) {
            line += ' ';
        }
        line += word;
        at = recognized.find_first_not_of(kWhitespace, gap);
    }
    return line;
}

}  // namespace ocr

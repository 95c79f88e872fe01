#include "InfoFile.h"

#include "platform/Platform.h"

namespace imbinder {
namespace {

struct InfoEntry {
    const char* key;
    std::string DocumentInfo::*field;  // nullptr: the value is the product name
};

// pdftk takes one record per "InfoBegin"; without it only the first pair would be applied.
constexpr InfoEntry kInfoEntries[] = {
    {"Title", &DocumentInfo::title},
    {"Author", &DocumentInfo::author},
    {"CreationDate", &DocumentInfo::creationDate},
    {"Subject", &DocumentInfo::subject},
    {"Keywords", &DocumentInfo::keywords},
    {"Creator", nullptr},
    {"Producer", nullptr},
};

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character at text[i], advancing i; malformed input yields U+FFFD for one byte.
char32_t NextCharacter(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int length = 0;
    char32_t value = 0, minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    if (i + length > text.size()) return kReplacement;
    for (int k = 0; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    i += length;
    return value;
}

bool KeptAsIs(char32_t c) { return c >= 0x20 && c <= 0x7E && c != '&' && c != '<' && c != '>'; }

}  // namespace

std::string InfoValueText(std::string_view utf8) {
    std::string text;
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = NextCharacter(utf8, i);
        if (KeptAsIs(c)) {
            text += static_cast<char>(c);
        } else {
            text += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
        }
    }
    return text;
}

bool WriteInfoFile(const std::string& path, const DocumentInfo& info) {
    std::string text;
    for (const InfoEntry& entry : kInfoEntries) {
        const std::string value = entry.field ? info.*entry.field : kProductName;
        text += std::string("InfoBegin\r\nInfoKey: ") + entry.key +
                "\r\nInfoValue: " + InfoValueText(value) + "\r\n";
    }
    return platform::WriteWholeFile(path, text);
}

}  // namespace imbinder

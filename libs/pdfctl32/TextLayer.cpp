#include "TextLayer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <system_error>

#include "Messages.h"

namespace pdfctl32 {
namespace {

// The widths of the font's characters, in thousandths of the font size: CJK, Hangul, fullwidth
// forms and the like take a whole em, the rest half, so that a selection in a mixed line lies
// close to the words.
constexpr int kWideWidth = 1000;
constexpr int kNarrowWidth = 500;

struct CharacterRange {
    char32_t first, last;
};
constexpr CharacterRange kWideCharacters[] = {
    {0x1100, 0x115F},    // Hangul Jamo
    {0x2E80, 0x303E},    // CJK radicals, ideographic description, CJK symbols and punctuation
    {0x3041, 0x33FF},    // kana, Bopomofo, Hangul compatibility Jamo, enclosed CJK
    {0x3400, 0x4DBF},    // CJK extension A
    {0x4E00, 0x9FFF},    // CJK unified ideographs
    {0xA000, 0xA4CF},    // Yi
    {0xAC00, 0xD7A3},    // Hangul syllables
    {0xF900, 0xFAFF},    // CJK compatibility ideographs
    {0xFE10, 0xFE19},    // vertical forms
    {0xFE30, 0xFE6F},    // CJK compatibility and small forms
    {0xFF00, 0xFF60},    // fullwidth forms
    {0xFFE0, 0xFFE6},    // fullwidth signs
    {0x1F300, 0x1F64F},  // pictographs and emoticons
    {0x1F900, 0x1F9FF},  // supplemental pictographs
    {0x20000, 0x3FFFD},  // CJK extensions B and beyond
};

bool IsWide(char32_t c) {
    return std::any_of(std::begin(kWideCharacters), std::end(kWideCharacters),
                       [c](const CharacterRange& r) { return c >= r.first && c <= r.last; });
}

int WidthOf(char32_t c) { return IsWide(c) ? kWideWidth : kNarrowWidth; }

// Readers size a glyph's box by its scaled width, and some refuse a scaling far from 100%;
// beyond these bounds the rest of a line's length goes into the spacing between characters.
constexpr double kMinimumScale = 0.1;
constexpr double kMaximumScale = 3.0;
// Lines shorter or lower than this (in points) cannot be selected, and are left out.
constexpr double kSmallest = 0.01;

// The text of a line, already checked to be UTF-8; controls become spaces.
std::u32string CodePoints(const std::string& text) {
    std::u32string points;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < text.size(); ++k) {
            c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        points += c < 0x20 || c == 0x7F ? U' ' : c;
        i += length;
    }
    return points;
}

// A number as a content stream takes it: fixed point, no exponent, whatever the locale.
void Put(std::string& out, double value, int decimals) {
    std::array<char, 64> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, decimals);
    // The reader's bounds keep every value far inside the buffer; should one not be, a 0 is
    // still a number.
    std::string_view text = written.ec == std::errc()
                                ? std::string_view(buffer.data(), written.ptr - buffer.data())
                                : std::string_view("0");
    if (text.find('.') != std::string_view::npos) {
        text.remove_suffix(text.size() - 1 - text.find_last_not_of('0'));
        if (text.back() == '.') text.remove_suffix(1);
    }
    out += text == "-0" ? "0" : text;
    out += ' ';
}

void PutHex(std::string& out, uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 15];
}

// A character as UTF-16, a surrogate pair beyond the Basic Multilingual Plane.
void PutUtf16(std::string& out, char32_t c) {
    if (c < 0x10000) return PutHex(out, c, 4);
    c -= 0x10000;
    PutHex(out, 0xD800 + (c >> 10), 4);
    PutHex(out, 0xDC00 + (c & 0x3FF), 4);
}

constexpr size_t kCMapBlock = 100;  // entries a bfchar block may hold

std::string ToUnicodeCMap(const std::vector<char32_t>& byCode) {
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n"
        "12 dict begin\n"
        "begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n"
        "/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (size_t first = 0; first < byCode.size(); first += kCMapBlock) {
        const size_t count = std::min(kCMapBlock, byCode.size() - first);
        cmap += std::to_string(count) + " beginbfchar\n";
        for (size_t i = first; i < first + count; ++i) {
            cmap += '<';
            PutHex(cmap, static_cast<uint32_t>(i + 1), 4);
            cmap += "> <";
            PutUtf16(cmap, byCode[i]);
            cmap += ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap +=
        "endcmap\n"
        "CMapName currentdict /CMap defineresource pop\n"
        "end\n"
        "end\n";
    return cmap;
}

}  // namespace

platform::Outcome TextLayer::Add(const recognition::RecognizedPage& page, const Rectangle& where,
                                 double pageHeight) {
    if (page.width <= 0 || page.height <= 0) return {};
    // Picture pixels to points: the picture may be stretched unequally onto the page.
    const double sx = where.width / page.width;
    const double sy = where.height / page.height;
    std::vector<Line> added;
    std::set<char32_t> characters = characters_;
    for (const recognition::RecognizedLine& line : page.lines) {
        Line placed;
        placed.text = CodePoints(line.text);
        if (placed.text.find_first_not_of(U' ') == std::u32string::npos) continue;
        // The baseline on the page, y up.
        const double dx = (line.x2 - line.x1) * sx;
        const double dy = -(line.y2 - line.y1) * sy;
        const double length = std::hypot(dx, dy);
        const double pixels = std::hypot(line.x2 - line.x1, line.y2 - line.y1);
        if (length < kSmallest || pixels == 0) continue;
        const double ux = dx / length, uy = dy / length;
        // The height across the baseline in the picture, carried onto the page; the font size
        // is its part across the baseline there.
        const double px = (line.x2 - line.x1) / pixels, py = (line.y2 - line.y1) / pixels;
        const double upX = line.height * py * sx, upY = line.height * px * sy;
        placed.size = std::abs(-uy * upX + ux * upY);
        if (placed.size < kSmallest) continue;

        double ems = 0;
        for (const char32_t c : placed.text) ems += WidthOf(c) / 1000.0;
        const double natural = ems * placed.size;
        const double scale = std::clamp(length / natural, kMinimumScale, kMaximumScale);
        placed.scale = scale * 100;
        placed.spacing = (length / scale - natural) / static_cast<double>(placed.text.size());
        const double x = where.x + line.x1 * sx;
        const double y = pageHeight - (where.y + line.y1 * sy);
        const double matrix[] = {ux, uy, -uy, ux, x, y};
        std::copy(std::begin(matrix), std::end(matrix), placed.matrix);
        characters.insert(placed.text.begin(), placed.text.end());
        added.push_back(std::move(placed));
    }
    if (characters.size() > kMaximumCharacters) return {messages::kTooManyCharacters};
    characters_ = std::move(characters);
    std::move(added.begin(), added.end(), std::back_inserter(lines_));
    return {};
}

TextLayerParts TextLayer::Write(const std::string& fontName) const {
    TextLayerParts parts;
    parts.fontName = fontName;
    // Codes from 1: the narrow characters first, so that one range gives their width.
    std::vector<char32_t> byCode;
    for (const char32_t c : characters_) {
        if (!IsWide(c)) byCode.push_back(c);
    }
    const size_t narrow = byCode.size();
    for (const char32_t c : characters_) {
        if (IsWide(c)) byCode.push_back(c);
    }
    std::map<char32_t, uint32_t> codes;
    for (size_t i = 0; i < byCode.size(); ++i) codes[byCode[i]] = static_cast<uint32_t>(i + 1);

    parts.defaultWidth = std::to_string(kWideWidth);
    parts.widths = narrow == 0
                       ? "[]"
                       : "[1 " + std::to_string(narrow) + " " + std::to_string(kNarrowWidth) + "]";
    parts.toUnicode = ToUnicodeCMap(byCode);
    parts.cidToGidMap.assign(2 * (byCode.size() + 1), '\0');
    for (size_t code = 1; code <= byCode.size(); ++code) parts.cidToGidMap[2 * code + 1] = 1;

    // Drawn in render mode 3, neither filled nor stroked, and inside q/Q, so that the text
    // state set here never reaches what the page draws after it.
    std::string& out = parts.content;
    out = "q\nBT\n3 Tr\n";
    for (const Line& line : lines_) {
        out += '/' + fontName + ' ';
        Put(out, line.size, 3);
        out += "Tf ";
        Put(out, line.scale, 3);
        out += "Tz ";
        Put(out, line.spacing, 4);
        out += "Tc ";
        for (int i = 0; i < 4; ++i) Put(out, line.matrix[i], 6);
        Put(out, line.matrix[4], 3);
        Put(out, line.matrix[5], 3);
        out += "Tm <";
        for (const char32_t c : line.text) PutHex(out, codes.at(c), 4);
        out += "> Tj\n";
    }
    out += "ET\nQ\n";
    return parts;
}

}  // namespace pdfctl32

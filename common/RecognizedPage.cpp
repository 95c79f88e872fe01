#include "RecognizedPage.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "DecodeFaults.h"

namespace recognition {
namespace {

constexpr std::string_view kMagic = "recognized";
constexpr int kVersion = 1;
constexpr int kMaximumSide = 65535;          // the largest picture the decoder makes
constexpr double kMaximumCoordinate = 1e6;   // pixels, either side of the picture's origin
constexpr size_t kMaximumTextBytes = 65536;  // a line of text, after its escapes
constexpr size_t kMaximumLines = 100000;     // far beyond any page
constexpr size_t kMaximumFileBytes = 64 << 20;

// Why a file was refused, in the user's words; each {} takes the next value.
namespace texts {
constexpr char kTooLarge[] = "文件超过 64 MiB";
constexpr char kNotRecognition[] = "开头不是识别文件的标记";
constexpr char kUnknownVersion[] = "不支持版本 {} 的识别文件";
constexpr char kBadPictureSize[] = "图片大小无效 (每边应为 1 到 65535 像素)";
constexpr char kTooManyLines[] = "超过 100000 行文字";
constexpr char kInLine[] = "第 {} 行：{}";
constexpr char kUnfinished[] = "行不完整 (文件被截断)";
constexpr char kBadNumbers[] = "应为五个数字、一个制表符和文字";
constexpr char kNumberOutside[] = "数字超出范围";
constexpr char kBadEscape[] = "文字中有无效的转义";
constexpr char kTextTooLong[] = "文字超过 64 KiB";
constexpr char kNotUtf8[] = "文字不是有效的 UTF-8";
}  // namespace texts

std::string InLine(size_t number, std::string_view why) {
    return decoding::Fill(texts::kInLine, {std::to_string(number), why});
}

void AppendNumber(std::string& out, double value) {
    std::array<char, 32> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), written.ptr);
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
}

// The whole field as a number, or false.
template <typename Number>
bool ReadNumber(std::string_view field, Number& value) {
    if (field.empty()) return false;
    const auto read = std::from_chars(field.data(), field.data() + field.size(), value);
    return read.ec == std::errc() && read.ptr == field.data() + field.size();
}

// Splits at single spaces into exactly count fields.
template <size_t count>
bool SplitFields(std::string_view text, std::array<std::string_view, count>& fields) {
    for (size_t i = 0; i < count; ++i) {
        const size_t space = text.find(' ');
        if ((space == std::string_view::npos) != (i + 1 == count)) return false;
        fields[i] = text.substr(0, space);
        if (space != std::string_view::npos) text.remove_prefix(space + 1);
    }
    return true;
}

// Each code point in its shortest form, none a surrogate or beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        const uint32_t smallest = length == 3 ? 0x800 : 0x10000;
        if ((length > 2 && code < smallest) || (code >= 0xD800 && code <= 0xDFFF) ||
            code > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

struct LineRead {
    RecognizedLine line;
    const char* error = nullptr;
};

LineRead ReadLine(std::string_view text) {
    LineRead result;
    const size_t tab = text.find('\t');
    std::array<std::string_view, 5> fields;
    if (tab == std::string_view::npos || !SplitFields(text.substr(0, tab), fields)) {
        result.error = texts::kBadNumbers;
        return result;
    }
    RecognizedLine& line = result.line;
    double* numbers[] = {&line.x1, &line.y1, &line.x2, &line.y2, &line.height};
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!ReadNumber(fields[i], *numbers[i])) {
            result.error = texts::kBadNumbers;
            return result;
        }
        // NaN fails both comparisons.
        const double limit = i == 4 ? 0 : -kMaximumCoordinate;
        if (!(*numbers[i] >= limit && *numbers[i] <= kMaximumCoordinate)) {
            result.error = texts::kNumberOutside;
            return result;
        }
    }
    const std::string_view escaped = text.substr(tab + 1);
    for (size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c == '\t' || c == '\r') {
            result.error = texts::kBadEscape;
            return result;
        }
        if (c != '\\') {
            line.text += c;
            continue;
        }
        const char next = ++i < escaped.size() ? escaped[i] : '\0';
        switch (next) {
            case '\\':
                line.text += '\\';
                break;
            case 't':
                line.text += '\t';
                break;
            case 'n':
                line.text += '\n';
                break;
            case 'r':
                line.text += '\r';
                break;
            default:
                result.error = texts::kBadEscape;
                return result;
        }
        if (line.text.size() > kMaximumTextBytes) break;
    }
    if (line.text.size() > kMaximumTextBytes) {
        result.error = texts::kTextTooLong;
    } else if (!IsUtf8(line.text)) {
        result.error = texts::kNotUtf8;
    }
    return result;
}

}  // namespace

std::string FormatRecognizedPage(const RecognizedPage& page) {
    std::string out(kMagic);
    out += ' ' + std::to_string(kVersion) + ' ' + std::to_string(page.width) + ' ' +
           std::to_string(page.height) + '\n';
    for (const RecognizedLine& line : page.lines) {
        for (const double value : {line.x1, line.y1, line.x2, line.y2}) {
            AppendNumber(out, value);
            out += ' ';
        }
        AppendNumber(out, line.height);
        out += '\t';
        AppendEscaped(out, line.text);
        out += '\n';
    }
    return out;
}

ParsedRecognizedPage ParseRecognizedPage(std::string_view text) {
    ParsedRecognizedPage parsed;
    if (text.size() > kMaximumFileBytes) return {{}, texts::kTooLarge};
    size_t end = text.find('\n');
    std::string_view header = text.substr(0, end);
    // The mark and the version first, so that a later version is named as such.
    if (end == std::string_view::npos || !header.starts_with(kMagic) ||
        !header.substr(kMagic.size()).starts_with(' ')) {
        return {{}, texts::kNotRecognition};
    }
    header.remove_prefix(kMagic.size() + 1);
    const std::string_view versionField = header.substr(0, header.find(' '));
    int version = 0;
    if (!ReadNumber(versionField, version)) return {{}, texts::kNotRecognition};
    if (version != kVersion) return {{}, decoding::Fill(texts::kUnknownVersion, {versionField})};
    std::array<std::string_view, 2> size;
    RecognizedPage& page = parsed.page;
    if (header.size() == versionField.size() ||
        !SplitFields(header.substr(versionField.size() + 1), size) ||
        !ReadNumber(size[0], page.width) || !ReadNumber(size[1], page.height) || page.width < 1 ||
        page.width > kMaximumSide || page.height < 1 || page.height > kMaximumSide) {
        return {{}, texts::kBadPictureSize};
    }

    size_t number = 1;
    for (size_t start = end + 1; start < text.size(); start = end + 1) {
        ++number;
        if (page.lines.size() == kMaximumLines) return {{}, texts::kTooManyLines};
        end = text.find('\n', start);
        if (end == std::string_view::npos) return {{}, InLine(number, texts::kUnfinished)};
        LineRead read = ReadLine(text.substr(start, end - start));
        if (read.error) return {{}, InLine(number, read.error)};
        page.lines.push_back(std::move(read.line));
    }
    return parsed;
}

}  // namespace recognition

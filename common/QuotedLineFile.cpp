#include "common/QuotedLineFile.h"

#include "platform/Platform.h"

namespace common {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

size_t SkipLineEnd(std::string_view text, size_t i) {
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
    return i;
}

// One value starting at i; returns where the next value starts.
size_t ParseValue(std::string_view text, size_t i, std::string& value) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && text[i] == '"') {
        size_t close = text.find('"', i + 1);
        if (close == std::string_view::npos) close = text.size();
        value = std::string(text.substr(i + 1, close - i - 1));
        i = close < text.size() ? close + 1 : close;
        while (i < text.size() && text[i] != ',' && !IsLineEnd(text[i])) ++i;
    } else {
        size_t end = i;
        while (end < text.size() && text[end] != ',' && !IsLineEnd(text[end])) ++end;
        size_t last = end;
        while (last > i && IsBlank(text[last - 1])) --last;
        value = std::string(text.substr(i, last - i));
        i = end;
    }
    if (i < text.size() && text[i] == ',') return i + 1;
    return SkipLineEnd(text, i);
}

}  // namespace

std::vector<std::string> ParseQuotedLines(std::string_view text) {
    std::vector<std::string> values;
    size_t i = 0;
    while (i < text.size()) {
        std::string value;
        i = ParseValue(text, i, value);
        values.push_back(value);
    }
    return values;
}

QuotedLines ReadQuotedLineFile(std::string_view path) {
    platform::FileContents file = platform::ReadWholeFile(path);
    if (!file.error.empty()) return {{}, file.error};
    return {ParseQuotedLines(platform::FromSystemCodePage(file.bytes)), {}};
}

bool WriteQuotedLineFile(std::string_view path, const std::vector<std::string>& values) {
    std::string text;
    for (const auto& value : values) text += "\"" + value + "\"\r\n";
    return platform::WriteWholeFile(path, platform::ToSystemCodePage(text));
}

}  // namespace common

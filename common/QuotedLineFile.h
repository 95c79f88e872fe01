// The small settings files kept beside the programs: one value per line, each written as a
// double quote, the value, a double quote and CR LF, in the system code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

struct QuotedLines {
    std::vector<std::string> values;
    std::string error;  // why the file could not be read; empty when read
};

// The values of the file in order (Windows-form path). A quoted value is the text between its
// quotes; an unquoted one runs to the next comma or the line end, blanks around it dropped.
QuotedLines ReadQuotedLineFile(std::string_view path);

// Parses the file's text (already in UTF-8).
std::vector<std::string> ParseQuotedLines(std::string_view text);

// Writes (replaces) the file; false when it cannot be written.
bool WriteQuotedLineFile(std::string_view path, const std::vector<std::string>& values);

}  // namespace common

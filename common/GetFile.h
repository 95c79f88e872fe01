// Taking a Windows-form path apart.
#pragma once

#include <string>
#include <string_view>

namespace common {

// The text after the last backslash, or the whole path when it holds none.
std::string GetFileName(std::string_view path);
// The file name up to its first dot ("report.final.pdf" gives "report").
std::string GetFileBaseName(std::string_view path);

}  // namespace common

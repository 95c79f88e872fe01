// Taking a Windows-form path apart.
#pragma once

#include <string>
#include <string_view>

namespace common {

// The text after the last backslash, or the whole path when it holds none.
std::string GetFileName(std::string_view path);
// The file name up to its first dot ("report.final.pdf" gives "report").
std::string GetFileBaseName(std::string_view path);
// The path for one line of a message: a control character a host name may hold (a line break)
// shows as "?", so that each line of a list of files names one file.
std::string OneLinePath(std::string_view path);

}  // namespace common

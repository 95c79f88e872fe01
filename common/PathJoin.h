#pragma once

#include <string>
#include <string_view>

namespace common {

// folder + "\" + name, or folder + name when the folder already ends in a backslash.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + std::string(name);
}

}  // namespace common

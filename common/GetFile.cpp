#include "common/GetFile.h"

namespace common {

std::string GetFileName(std::string_view path) {
    size_t backslash = path.rfind('\\');
    return std::string(backslash == std::string_view::npos ? path : path.substr(backslash + 1));
}

std::string GetFileBaseName(std::string_view path) {
    std::string name = GetFileName(path);
    return name.substr(0, name.find('.'));
}

std::string OneLinePath(std::string_view path) {
    std::string line(path);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return line;
}

}  // namespace common

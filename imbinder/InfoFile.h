// The information file that pdftk's update_info reads: the document information typed into
// the main window, plus the product name as Creator and Producer.
#pragma once

#include <string>
#include <string_view>

namespace imbinder {

inline constexpr const char* kProductName = "Imbinder";
inline constexpr const char* kInfoFilePath = "c:\\tmp\\info.txt";

struct DocumentInfo {
    std::string title;
    std::string author;
    std::string creationDate;  // "D:" + 14 digits + "+08'00" (the offset from UTC), used as it is
    std::string subject;
    std::string keywords;
};

// A value as pdftk reads it whatever the locale: printable ASCII as it is, every other
// character and "&", "<", ">" as an XML numeric entity. Input is UTF-8; a byte that is not
// part of a valid sequence stands for U+FFFD.
std::string InfoValueText(std::string_view utf8);

// Creates or replaces the file (Windows-form path); false when it cannot be written whole.
bool WriteInfoFile(const std::string& path, const DocumentInfo& info);

}  // namespace imbinder

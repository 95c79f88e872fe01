// The tables and the arithmetic of the main window and its build that need no controls: the
// image format codes, the page size of a bitmap, the quality words, the settings file, the
// creation date and the result file's name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imbinder {

inline constexpr const char* kProgram = "imbinder";
inline constexpr const char* kDefaultTitle = "新PDF文件";
inline constexpr const char* kDefaultOutputFolder = "C:\\output";

// FreeImage's format code for the extension of the path (the text after its last dot, in any
// letter case); nothing when the extension is not in the format table.
std::optional<int> ImageFormatCode(const std::string& path);

struct PageSize {
    int16_t width = 0;  // the PDF writer's page units
    int16_t height = 0;
};
// Pixels / 0.376, rounded half to even; a side that would pass 32767 units scales both sides
// down in proportion, so the larger is 32767.
PageSize PageSizeOf(unsigned pixelWidth, unsigned pixelHeight);

// The level word of a slider value.
std::string QualityWord(int value);

// What setting.dll holds, line by line; a line that is missing, or a quality that is not a
// whole number from 0 to 100, leaves its control as it is. Text recognition, when chosen, is a
// sixth line "1" after the five, which readers of five lines pass over; without it the file is
// the five lines alone.
struct StoredSettings {
    std::optional<std::string> title, author, subject, keywords;
    std::optional<int> quality;
    bool recognize = false;
};
StoredSettings ParseSettings(const std::vector<std::string>& values);
std::vector<std::string> SettingsValues(const std::string& title, const std::string& author,
                                        const std::string& subject, const std::string& keywords,
                                        int quality, bool recognize);

// "D:" + YYYYMMDDHHNNSS + the offset of that local time from UTC as "+HH'MM" or "-HH'MM"
// ("+08'00" in Beijing).
std::string CreationDateText(int year, int month, int day, int hour, int minute, int second,
                             int utcOffsetSeconds);

// The title as a file name: every character a Windows name cannot hold (\ / : * ? " < > | and
// the control characters) becomes "_"; an empty title gives the default title.
std::string ResultFileName(const std::string& title);

}  // namespace imbinder

// The settings files beside the program: setup.ini (output folder and format, written at exit,
// read at start-up) and options.ini (the completion sound, read only), and the check of the
// option values typed into the options list.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pagelift {

struct StoredSetup {
    std::optional<std::string> outputFolder;  // the fourth value, when present
    std::optional<int> formatIndex;           // the fifth, when a whole number from -1 to 4
};

StoredSetup ParseSetup(const std::vector<std::string>& values);
// The five values of setup.ini: three empty ones, the output folder, the format index.
std::vector<std::string> SetupValues(const std::string& outputFolder, int formatIndex);

// SoundOff from the values of options.ini: the first value's leading number, rounded; 0
// (the sound plays) without a value.
int ParseSoundOff(const std::vector<std::string>& values);

// The options list's rows, in order.
enum OptionRow { kStartPageRow = 1, kEndPageRow = 2, kResolutionRow = 3 };
struct OptionDefault {
    const char* caption;
    const char* value;
};
inline constexpr OptionDefault kOptionRows[] = {
    {"转换起始页", "1"}, {"转换结束页", "最后一页"}, {"输出图像精度(DPI)", "120"}};

// The value a row keeps for a typed text: digits only (or nothing) stay, anything else gives
// "最后一页" on the end page row and "1" on the other rows.
std::string CheckedOptionValue(int row, const std::string& typed);

}  // namespace pagelift

#include "pagelift/Settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "pagelift/Conversion.h"

namespace pagelift {

StoredSetup ParseSetup(const std::vector<std::string>& values) {
    StoredSetup setup;
    if (values.size() > 3) setup.outputFolder = values[3];
    if (values.size() > 4) {
        std::optional<int32_t> index = common::ToInteger(values[4]);
        if (index && *index >= -1 && *index < kFormatCount) setup.formatIndex = *index;
    }
    return setup;
}

std::vector<std::string> SetupValues(const std::string& outputFolder, int formatIndex) {
    return {"", "", "", outputFolder, std::to_string(formatIndex)};
}

int ParseSoundOff(const std::vector<std::string>& values) {
    if (values.empty()) return 0;
    double rounded = common::RoundHalfEven(common::NumericValue(values[0]));
    // A 16-bit value: anything beyond still means "silent".
    return int(std::clamp(rounded, double(std::numeric_limits<int16_t>::min()),
                          double(std::numeric_limits<int16_t>::max())));
}

std::string CheckedOptionValue(int row, const std::string& typed) {
    bool digitsOnly =
        std::all_of(typed.begin(), typed.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digitsOnly) return typed;
    return row == kEndPageRow ? kLastPageWord : "1";
}

}  // namespace pagelift

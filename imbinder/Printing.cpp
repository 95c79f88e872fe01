#include "Printing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/Numbers.h"
#include "platform/Platform.h"

namespace imbinder {
namespace {

struct ImageFormat {
    const char* extension;
    int freeImageCode;
};
constexpr ImageFormat kImageFormats[] = {
    {"bmp", 0}, {"dib", 0},  {"jpg", 2},   {"jpeg", 2}, {"gif", 25}, {"png", 13},
    {"ico", 1}, {"tif", 18}, {"tiff", 18}, {"iff", 5},  {"pcx", 10}, {"psd", 20},
};

struct QualityLevel {
    int above;  // the word holds for values greater than this
    const char* word;
};
constexpr QualityLevel kQualityLevels[] = {{79, "最佳"}, {59, "较好"}, {29, "中等"}, {-1, "低"}};

constexpr double kPixelsPerUnit = 0.376;
constexpr const char* kRecognizeChosen = "1";
constexpr int kLargestUnits = 32767;

}  // namespace

std::optional<int> ImageFormatCode(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    const std::string extension = platform::LowerCaseAscii(path.substr(dot + 1));
    for (const ImageFormat& format : kImageFormats) {
        if (extension == format.extension) return format.freeImageCode;
    }
    return std::nullopt;
}

PageSize PageSizeOf(unsigned pixelWidth, unsigned pixelHeight) {
    double width = pixelWidth / kPixelsPerUnit;
    double height = pixelHeight / kPixelsPerUnit;
    const double larger = std::max(width, height);
    if (common::RoundHalfEven(larger) > kLargestUnits) {
        width = width * kLargestUnits / larger;
        height = height * kLargestUnits / larger;
    }
    // A sliver of an image still gets a page of one unit, never an empty one.
    const auto units = [](double value) {
        return static_cast<int16_t>(
            std::clamp<double>(common::RoundHalfEven(value), 1, kLargestUnits));
    };
    return {units(width), units(height)};
}

std::string QualityWord(int value) {
    for (const QualityLevel& level : kQualityLevels) {
        if (value > level.above) return level.word;
    }
    return kQualityLevels[std::size(kQualityLevels) - 1].word;
}

StoredSettings ParseSettings(const std::vector<std::string>& values) {
    StoredSettings settings;
    std::optional<std::string>* texts[] = {&settings.title, &settings.author, &settings.subject,
                                           &settings.keywords};
    for (size_t line = 0; line < std::size(texts) && line < values.size(); ++line) {
        *texts[line] = values[line];
    }
    if (values.size() > 4) {
        const std::optional<int32_t> quality = common::ToInteger(values[4]);
        if (quality && *quality >= 0 && *quality <= 100) settings.quality = *quality;
    }
    settings.recognize = values.size() > 5 && values[5] == kRecognizeChosen;
    return settings;
}

std::vector<std::string> SettingsValues(const std::string& title, const std::string& author,
                                        const std::string& subject, const std::string& keywords,
                                        int quality, bool recognize) {
    std::vector<std::string> values{title, author, subject, keywords, std::to_string(quality)};
    if (recognize) values.push_back(kRecognizeChosen);
    return values;
}

std::string CreationDateText(int year, int month, int day, int hour, int minute, int second,
                             int utcOffsetSeconds) {
    const int offsetMinutes = std::abs(utcOffsetSeconds) / 60;
    char text[40];
    std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d%c%02d'%02d", year, month, day,
                  hour, minute, second, utcOffsetSeconds < 0 ? '-' : '+', offsetMinutes / 60,
                  offsetMinutes % 60);
    return text;
}

std::string ResultFileName(const std::string& title) {
    if (title.empty()) return kDefaultTitle;
    std::string name = title;
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return name;
}

}  // namespace imbinder

#include "ExportPlan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quirel {

PageRange ClampPageRange(int32_t first, int32_t last, int pageCount) {
    auto clamp = [pageCount](int32_t page) {
        return std::clamp<int32_t>(page, 1, std::max(1, pageCount));
    };
    return {clamp(first), clamp(last)};
}

std::string PageFilePath(const std::string& folder, int ordinal, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.%s", ordinal, extension);
    return (std::filesystem::path(folder) / name).string();
}

int EnsureFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::error_code statError;
    if (std::filesystem::is_directory(folder, statError)) return 0;
    return error ? error.value() : static_cast<int>(std::errc::not_a_directory);
}

}  // namespace quirel

#include "common/FileSearch.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/PathJoin.h"
#include "platform/Platform.h"

namespace common {
namespace {

constexpr std::string_view kPdfEndings[] = {"pdf"};
constexpr std::string_view kImageEndings[] = {"bmp", "jpg", "gif", "png", "tif", "tiff", "jpeg"};

template <size_t N>
bool EndsWithAny(std::string_view name, const std::string_view (&endings)[N]) {
    const std::string lowered = platform::LowerCaseAscii(name);
    return std::any_of(std::begin(endings), std::end(endings), [&](std::string_view ending) {
        return lowered.size() >= ending.size() &&
               lowered.compare(lowered.size() - ending.size(), ending.size(), ending) == 0;
    });
}

using NameTest = bool (*)(std::string_view);

bool IsPdfName(std::string_view name) { return EndsWithAny(name, kPdfEndings); }

// A folder is searched unless it is hidden or a system folder; it is never taken for a file,
// whatever other attribute bits it carries.
bool IsSearchableFolder(uint32_t attributes) {
    return (attributes & (platform::kAttributeHidden | platform::kAttributeSystem)) == 0;
}

void Search(std::string_view folder, ResultList& results, NameTest matches) {
    std::vector<std::string> subfolders;
    {
        platform::DirectoryListing listing(folder);
        bool first = true;
        while (auto entry = listing.Next()) {
            if (!first) {
                platform::Yield();
                platform::Yield();
            }
            first = false;
            std::string name = TrimNulls(entry->name);
            if (entry->attributes & platform::kAttributeDirectory) {
                if (name != "." && name != ".." && IsSearchableFolder(entry->attributes)) {
                    subfolders.push_back(JoinPath(folder, name));
                }
            } else if (matches(name)) {
                results.AddItem(JoinPath(folder, name));
            }
        }
    }
    for (const auto& subfolder : subfolders) Search(subfolder, results, matches);
}

}  // namespace

bool IsImageName(std::string_view name) { return EndsWithAny(name, kImageEndings); }

void SearchPdfFiles(std::string_view folder, ResultList& results) {
    Search(folder, results, IsPdfName);
}

void SearchImageFiles(std::string_view folder, ResultList& results) {
    Search(folder, results, IsImageName);
}

std::string TrimNulls(std::string_view text) {
    size_t end = text.find_last_not_of(std::string_view("\0 ", 2));
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

}  // namespace common

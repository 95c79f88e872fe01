#include "common/CommonDialogs.h"

#include <sstream>

namespace common {
namespace {

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

const char kSaveTitle[] = "Save";
const platform::FileFilter kAllFiles{"All Files (*.*)", "*.*"};

}  // namespace

std::vector<platform::FileFilter> ParseFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::istringstream in(filter);
    std::string part;
    while (std::getline(in, part, '|')) parts.push_back(part);
    std::vector<platform::FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) filters.push_back({parts[i], parts[i + 1]});
    return filters;
}

void CCommonDialogs::Init(intptr_t ownerWindow) { owner_ = ownerWindow; }

std::string CCommonDialogs::FileName() const { return UpToNul(fileName_); }
std::string CCommonDialogs::FileTitle() const { return UpToNul(fileTitle_); }
std::string CCommonDialogs::Path() const { return UpToNul(path_); }
std::string CCommonDialogs::Title() const { return UpToNul(title_); }

void CCommonDialogs::TakeChosenFile(const std::string& chosen) {
    fileName_ = UpToNul(chosen);
    size_t backslash = fileName_.rfind('\\');
    fileTitle_ = backslash == std::string::npos ? fileName_ : fileName_.substr(backslash + 1);
    path_ = backslash == std::string::npos ? std::string() : fileName_.substr(0, backslash);
}

platform::FileDialogRequest CCommonDialogs::FileRequest(const std::string& title,
                                                        bool mustExist) const {
    platform::FileDialogRequest request;
    request.title = title;
    request.filters = ParseFilter(filter_);
    request.selectedFilter = 0;
    request.initialFile = FileName();
    request.defaultExtension = defExt_;
    request.mustExist = mustExist;
    return request;
}

bool CCommonDialogs::ShowOpen() {
    auto chosen = platform::GetDesktop().OpenFile(FileRequest(Title(), true));
    if (!chosen) return false;
    TakeChosenFile(*chosen);
    return true;
}

bool CCommonDialogs::ShowSave() {
    platform::FileDialogRequest request = FileRequest(kSaveTitle, false);
    if (request.filters.empty()) request.filters.push_back(kAllFiles);
    auto chosen = platform::GetDesktop().SaveFile(request);
    if (!chosen) return false;
    TakeChosenFile(*chosen);
    return true;
}

bool CCommonDialogs::ShowFolder() {
    auto chosen = platform::GetDesktop().BrowseFolder(Title());
    if (!chosen) return false;
    path_ = UpToNul(*chosen);
    fileName_.clear();
    fileTitle_.clear();
    return true;
}

bool CCommonDialogs::ShowColor() {
    auto chosen = platform::GetDesktop().ChooseColor(color_);
    if (!chosen) return false;
    color_ = *chosen;
    return true;
}

bool CCommonDialogs::ShowFont() {
    auto chosen = platform::GetDesktop().ChooseFont(font_);
    if (!chosen) return false;
    font_ = *chosen;
    return true;
}

bool CCommonDialogs::ShowPrinter() { return false; }

bool CCommonDialogs::ShowPrinterProperties() { return false; }

}  // namespace common

// Walks a folder tree and lists every file of one family (PDF documents or images) into a list
// owned by the caller, depth first: a folder's matching files in listing order, then each of its
// subfolders in listing order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

// Where a search appends the full paths it finds (a list box in the windows).
class ResultList {
  public:
    virtual ~ResultList() = default;
    virtual void AddItem(const std::string& text) = 0;
};

class VectorResultList : public ResultList {
  public:
    void AddItem(const std::string& text) override { items.push_back(text); }
    std::vector<std::string> items;
};

// The image test of the search and of drops: the name ends in bmp, jpg, gif, png, tif, tiff or
// jpeg, in any letter case, with or without a dot before it.
bool IsImageName(std::string_view name);

void SearchPdfFiles(std::string_view folder, ResultList& results);
void SearchImageFiles(std::string_view folder, ResultList& results);

// The text without its trailing NUL and space characters.
std::string TrimNulls(std::string_view text);

}  // namespace common

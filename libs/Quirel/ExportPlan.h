// Page-range and file-name rules of an export.
#pragma once

#include <cstdint>
#include <string>

namespace quirel {

// Pages first..last, counted from 1; empty when first > last.
struct PageRange {
    int first;
    int last;
    int count() const { return last >= first ? last - first + 1 : 0; }
};

// A page below 1 counts as 1, a page above the count as the count.
PageRange ClampPageRange(int32_t first, int32_t last, int pageCount);

// folder/0001.ext for the first page exported; four digits or more.
std::string PageFilePath(const std::string& folder, int ordinal, const char* extension);

// Creates folder and its missing parents; 0 when it is a folder afterwards, else the system's
// error number of why not.
int EnsureFolder(const std::string& folder);

}  // namespace quirel

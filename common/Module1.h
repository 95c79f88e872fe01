// Removing a folder with everything in it.
#pragma once

#include <string_view>

namespace common {

// Deletes the folder and everything below it, read-only and hidden entries included. What
// cannot be deleted stays; the call always ends. Links inside are removed, never followed.
void DeleteFolderTree(std::string_view folder);

}  // namespace common

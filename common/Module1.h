// Removing a folder with everything in it.
#pragma once

#include <string_view>

namespace common {

// Deletes the folder and everything below it, read-only and hidden entries included. What
// cannot be deleted stays; the call always ends. Links inside are removed, never followed.
// An empty or relative folder, a root of a drive or a folder that holds drive C is refused:
// nothing is deleted.
void DeleteFolderTree(std::string_view folder);

}  // namespace common

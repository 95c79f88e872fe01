// imbinder's working folders "c:\tmp" and "c:\jpgtmp" serve one build at a time on a C drive.
// A build holds the lock of this file from its first working file to its last removal, so a
// second window's build cannot overwrite or remove them under it; pagelift, which deletes
// stale files of "c:\tmp" at start-up and when it closes, does so only while it holds the lock
// itself. The file lies outside both folders, since a build removes them.
#pragma once

namespace common {

inline constexpr const char* kTmpFolder = "c:\\tmp";        // the merge chain, pagelift's scratch
inline constexpr const char* kJpgTmpFolder = "c:\\jpgtmp";  // the page files of a build
inline constexpr const char* kWorkingFoldersLock = "c:\\imbinder.lock";

}  // namespace common

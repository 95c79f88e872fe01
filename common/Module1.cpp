#include "common/Module1.h"

#include <cctype>
#include <set>
#include <string>

#include "common/PathJoin.h"
#include "platform/Platform.h"

namespace common {
namespace {

enum class Pass { Finished, SubfolderDone };

// One pass over the listing. After a subfolder has been dealt with, the listing is started
// again, since removing entries may disturb it; a subfolder already tried is passed over, so
// one that cannot be removed does not keep the walk going for ever.
Pass DeleteEntries(std::string_view folder, std::set<std::string>& triedSubfolders) {
    platform::DirectoryListing listing(JoinPath(folder, ""));
    while (auto entry = listing.Next()) {
        const std::string& name = entry->name;
        if (name == "." || name == "..") continue;
        std::string path = JoinPath(folder, name);
        if (entry->attributes & platform::kAttributeDirectory) {
            if (!triedSubfolders.insert(name).second) continue;
            DeleteFolderTree(path);
            platform::Yield();
            return Pass::SubfolderDone;
        }
        platform::SetAttributesNormal(path);
        platform::DeleteFile(path);
        platform::Yield();
    }
    return Pass::Finished;
}

// Only a folder named in full below a drive's root may be removed: an empty or relative text,
// a root of a drive (also through ".."), or a folder that holds drive C (seen through drive
// Z:) would empty a whole drive.
bool IsRemovableFolder(std::string_view folder) {
    const bool fullyQualified = folder.size() >= 3 &&
                                std::isalpha(static_cast<unsigned char>(folder[0])) &&
                                folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
    if (!fullyQualified) return false;
    std::string host = platform::ToHostPath(folder);
    if (platform::ToWindowsPath(host).size() <= 3) return false;
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return platform::CDriveRoot().rfind(host + "/", 0) != 0;
}

}  // namespace

void DeleteFolderTree(std::string_view folder) {
    if (!IsRemovableFolder(folder)) return;
    if (platform::IsLink(folder)) {
        platform::DeleteFile(folder);  // the link goes, never what it points at
        return;
    }
    // Made writable first: on the host a read-only folder would also protect its contents.
    platform::SetAttributesNormal(folder);
    std::set<std::string> triedSubfolders;
    while (DeleteEntries(folder, triedSubfolders) == Pass::SubfolderDone) {
    }
    platform::RemoveFolder(folder);
}

}  // namespace common

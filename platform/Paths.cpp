// Drive mapping between the programs' Windows-form paths and host paths. Pure string work, apart
// from finding the default C drive root and creating it on first use.
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/PlatformInternal.h"

namespace platform {
namespace {

std::mutex gPathsMutex;
std::string gCDriveRoot;     // host folder, no trailing separator; empty until first use
std::string gProgramFolder;  // host folder set by a test, empty for the executable's own

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string DefaultCDriveRoot() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "/tmp") + "/.local/share";
    }
    return base + "/converters/drive_c";
}

std::string StripTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Splits the part after the drive into names, resolving "." and ".." without ever climbing
// above the drive's root, as Windows does.
std::vector<std::string> NormalisedNames(std::string_view rest) {
    std::vector<std::string> names;
    std::string current;
    auto flush = [&] {
        if (current == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!current.empty() && current != ".") {
            names.push_back(current);
        }
        current.clear();
    };
    for (char c : rest) {
        if (IsSeparator(c)) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return names;
}

std::string JoinUnder(const std::string& root, std::string_view rest) {
    std::string host = root == "/" ? "" : root;
    for (const auto& name : NormalisedNames(rest)) host += "/" + name;
    if (host.empty()) host = "/";
    bool trailing = !rest.empty() && IsSeparator(rest.back());
    if (trailing && host.back() != '/') host += '/';
    return host;
}

}  // namespace

void SetCDriveRoot(const std::string& hostFolder) {
    std::lock_guard lock(gPathsMutex);
    gCDriveRoot = StripTrailingSeparators(hostFolder);
}

std::string CDriveRoot() {
    std::string root;
    {
        std::lock_guard lock(gPathsMutex);
        if (gCDriveRoot.empty()) gCDriveRoot = DefaultCDriveRoot();
        root = gCDriveRoot;
    }
    std::error_code ignored;
    std::filesystem::create_directories(root, ignored);
    return root;
}

std::string ToHostPath(std::string_view windowsPath) {
    if (windowsPath.size() >= 2 && windowsPath[1] == ':') {
        char drive = Lower(windowsPath[0]);
        std::string_view rest = windowsPath.substr(2);
        if (drive == 'c') return JoinUnder(CDriveRoot(), rest);
        if (drive == 'z') return JoinUnder("/", rest);
        return {};  // no such drive: every operation on it fails
    }
    if (windowsPath.size() >= 2 && IsSeparator(windowsPath[0]) && IsSeparator(windowsPath[1])) {
        return {};  // network shares are not reachable
    }
    if (!windowsPath.empty() && IsSeparator(windowsPath[0])) {
        return JoinUnder(CDriveRoot(), windowsPath);  // root of the current drive, which is C:
    }
    std::string relative(windowsPath);
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    return relative;
}

std::string ToWindowsPath(std::string_view hostPath) {
    if (hostPath.empty()) return {};
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(hostPath), error);
    if (error) return {};
    std::string host = absolute.lexically_normal().string();
    bool trailing = host.size() > 1 && host.back() == '/';
    host = StripTrailingSeparators(host);

    std::string root = CDriveRoot();
    std::string drive = "Z:";
    std::string rest = host;
    if (host == root) {
        drive = "C:";
        rest.clear();
    } else if (host.compare(0, root.size() + 1, root + "/") == 0) {
        drive = "C:";
        rest = host.substr(root.size());
    } else if (host == "/") {
        rest.clear();
    }
    std::string windows = drive + (rest.empty() ? "\\" : rest);
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    if (trailing && windows.back() != '\\') windows += '\\';
    return windows;
}

void SetProgramFolder(const std::string& hostFolder) {
    std::lock_guard lock(gPathsMutex);
    gProgramFolder = StripTrailingSeparators(hostFolder);
}

std::string HostProgramFolder() {
    {
        std::lock_guard lock(gPathsMutex);
        if (!gProgramFolder.empty()) return gProgramFolder;
    }
    return ExecutableFolder();
}

std::string ProgramFolder() {
    std::string windows = ToWindowsPath(HostProgramFolder());
    if (windows.size() > 3 && windows.back() == '\\') windows.pop_back();
    return windows;
}

}  // namespace platform

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

// Characters a host name may hold and a Windows name may not. Each is shown as the private-use
// character U+F000 + its code, which is three UTF-8 bytes: EF, 80 or 81, 80 + the low six bits.
constexpr std::string_view kNotInWindowsNames = "\\:*?\"<>|";
constexpr unsigned char kPrivateLead = 0xEF;

bool IsPrivateStandIn(std::string_view text, size_t i, char& original) {
    if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != kPrivateLead) return false;
    const auto middle = static_cast<unsigned char>(text[i + 1]);
    const auto last = static_cast<unsigned char>(text[i + 2]);
    if ((middle != 0x80 && middle != 0x81) || (last & 0xC0) != 0x80) return false;
    original = static_cast<char>(((middle & 0x01) << 6) | (last & 0x3F));
    return kNotInWindowsNames.find(original) != std::string_view::npos;
}

// A folder of the user's by its XDG variable, or else its default under the home folder.
std::string UserFolder(const char* variable, const char* underHome) {
    const char* folder = std::getenv(variable);
    if (folder != nullptr && folder[0] == '/') return folder;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "/tmp") + "/" + underHome;
}

std::string DefaultCDriveRoot() {
    return UserFolder("XDG_DATA_HOME", ".local/share") + "/converters/drive_c";
}

// The host folder of an installed program's settings for this user.
std::string UserSettingsFolder(std::string_view program) {
    return UserFolder("XDG_CONFIG_HOME", ".config") + "/" + std::string(program);
}

// The marker the install rules put beside an installed program.
constexpr const char* kInstalledMarker = "installed";

std::string StripTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Splits the part after the drive into names, resolving "." and ".." without ever climbing
// above the drive's root, as Windows does; each name in its host form.
std::vector<std::string> NormalisedNames(std::string_view rest) {
    std::vector<std::string> names;
    std::string current;
    auto flush = [&] {
        if (current == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!current.empty() && current != ".") {
            names.push_back(ToHostName(current));
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

std::string ToWindowsName(std::string_view hostName) {
    std::string windows;
    windows.reserve(hostName.size());
    for (char c : hostName) {
        if (kNotInWindowsNames.find(c) == std::string_view::npos) {
            windows += c;
            continue;
        }
        const auto code = static_cast<unsigned char>(c);
        windows += static_cast<char>(kPrivateLead);
        windows += static_cast<char>(0x80 | (code >> 6));
        windows += static_cast<char>(0x80 | (code & 0x3F));
    }
    return windows;
}

std::string ToHostName(std::string_view windowsName) {
    std::string host;
    host.reserve(windowsName.size());
    for (size_t i = 0; i < windowsName.size(); ++i) {
        char original = 0;
        if (IsPrivateStandIn(windowsName, i, original)) {
            host += original;
            i += 2;
        } else {
            host += windowsName[i];
        }
    }
    return host;
}

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
        char drive = LowerCaseAscii(windowsPath.substr(0, 1))[0];
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
    return ToHostName(relative);  // after the separators, so a mapped backslash stays a name's
}

std::string ToWindowsPath(std::string_view hostPath) {
    if (hostPath.empty()) return {};
    std::error_code error;
    std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::path(hostPath), error);
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
    std::string windows = drive + (rest.empty() ? "\\" : ToWindowsName(rest));
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    if (trailing && windows.back() != '\\') windows += '\\';
    return windows;
}

std::string LowerCaseAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

bool IsInstalled() {
    std::error_code error;
    return std::filesystem::is_regular_file(HostProgramFolder() + "/" + kInstalledMarker, error);
}

std::string SettingsFileToRead(std::string_view program, std::string_view name) {
    const std::string beside = ProgramFolder() + "\\" + std::string(name);
    if (!IsInstalled()) return beside;
    const std::string own = UserSettingsFolder(program) + "/" + std::string(name);
    std::error_code error;
    return std::filesystem::exists(own, error) ? ToWindowsPath(own) : beside;
}

std::string SettingsFileToWrite(std::string_view program, std::string_view name) {
    if (!IsInstalled()) return ProgramFolder() + "\\" + std::string(name);
    const std::string folder = UserSettingsFolder(program);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return ToWindowsPath(folder + "/" + std::string(name));
}

std::vector<std::string> CommandLinePaths(int argc, const char* const* argv) {
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string path = ToWindowsPath(argv[i]);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
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

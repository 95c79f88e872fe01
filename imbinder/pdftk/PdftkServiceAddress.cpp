#include "PdftkServiceAddress.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/Host.h"

namespace imbinder {
namespace {

// 64-bit FNV-1a: a short socket name for everything the service's answers depend on.
uint64_t Fingerprint(const std::vector<std::string>& parts) {
    uint64_t hash = 14695981039346656037ULL;
    for (const std::string& part : parts) {
        for (const char byte : part) hash = (hash ^ static_cast<uint8_t>(byte)) * 1099511628211ULL;
        hash = (hash ^ 0xFF) * 1099511628211ULL;
    }
    return hash;
}

std::string FileIdentity(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return {};
    return std::to_string(size) + "@" + std::to_string(time.time_since_epoch().count());
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Run from the build the jar lies beside the launcher; installed it is shared data, which Debian
// keeps out of the program folder.
std::string ServiceJar(const std::string& folder) {
    const std::string beside = folder + "/pdftk-service.jar";
    std::error_code error;
    if (std::filesystem::exists(beside, error)) return beside;
    return (std::filesystem::path(folder) / kInstalledPdftkServiceJar).lexically_normal().string();
}

}  // namespace

const char* const kInstalledPdftkServiceJar = PDFTK_SERVICE_JAR_INSTALLED;

std::optional<PdftkServiceAddress> FindPdftkServiceAddress(const std::string& programFolder) {
    std::error_code error;
    const std::string folder = std::filesystem::weakly_canonical(programFolder, error).string();
    if (error) return std::nullopt;
    PdftkServiceAddress address{{}, ServiceJar(folder), {}};
    const std::string archive = folder + "/pdftk.jsa";
    const std::string jarIdentity = FileIdentity(address.jar);
    const std::string archiveIdentity = FileIdentity(archive);
    const std::string runtime = platform::PrivateRuntimeFolder("imbinder");
    const std::string current = platform::CurrentFolder();
    if (jarIdentity.empty() || runtime.empty() || current.empty()) return std::nullopt;
    if (!archiveIdentity.empty()) address.archive = archive;
    const uint64_t key = Fingerprint({current, folder, jarIdentity, archiveIdentity,
                                      Variable("LC_ALL"), Variable("LC_CTYPE"), Variable("LANG")});
    char name[40];
    std::snprintf(name, sizeof name, "/pdftk-%016llx.sock", static_cast<unsigned long long>(key));
    address.socket = runtime + name;
    return address;
}

}  // namespace imbinder

#include "PendingFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "PageEncoder.h"

namespace quirel {
namespace {

// Leftovers of an export that was killed keep their names; the next free one is taken.
constexpr int kNamesTried = 100;

}  // namespace

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {
    int systemError = 0;
    for (int n = 1; n <= kNamesTried; ++n) {
        std::string candidate = target_ + "." + std::to_string(n) + ".tmp";
        // "x": created here, never a file that was there before.
        if (std::FILE* file = std::fopen(candidate.c_str(), "wbx")) {
            std::fclose(file);
            path_ = std::move(candidate);
            return;
        }
        systemError = errno;
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) break;
    }
    throw WriteError("cannot create a file beside " + target_, systemError);
}

PendingFile::~PendingFile() {
    if (committed_) return;
    std::error_code error;
    std::filesystem::remove(path_, error);
}

void PendingFile::commit() {
    std::error_code error;
    std::filesystem::rename(path_, target_, error);
    if (error) throw WriteError("cannot rename " + path_ + " to " + target_, error.value());
    committed_ = true;
}

}  // namespace quirel

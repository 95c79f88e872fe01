// The folder of the module this code is linked into, scratch files and mapped files, on a
// POSIX host.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Host.h"

namespace platform {
namespace {

// Its address lies in whichever executable or library this file is linked into; having
// internal linkage, it cannot be taken for another module's copy.
const char kAnchor = 0;

std::string FolderOf(const std::string& file) {
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::string ExecutableFile() {
    std::string buffer(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    buffer.resize(static_cast<size_t>(length));
    return buffer;
}

}  // namespace

std::string ThisModuleFolder() {
    Dl_info info{};
    link_map* module = nullptr;
    // The main program's entry has an empty name; a library's is the path it was loaded by.
    if (dladdr1(&kAnchor, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) != 0 &&
        module != nullptr && module->l_name != nullptr && module->l_name[0] != '\0') {
        char* resolved = realpath(module->l_name, nullptr);
        if (resolved != nullptr) {
            std::string folder = FolderOf(resolved);
            std::free(resolved);
            return folder;
        }
    }
    return FolderOf(ExecutableFile());
}

std::unique_ptr<ScratchFile> ScratchFile::Create(std::string_view suffix) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") +
                          "/scratch-XXXXXX" + std::string(suffix);
    const int fd = mkostemps(pattern.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return nullptr;
    close(fd);
    return std::unique_ptr<ScratchFile>(new ScratchFile(pattern));
}

ScratchFile::~ScratchFile() { unlink(path_.c_str()); }

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& hostPath) {
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status {};
    void* mapped = MAP_FAILED;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        // Populated at once: one call instead of a fault for every page read.
        mapped = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ,
                      MAP_PRIVATE | MAP_POPULATE, fd, 0);
    }
    close(fd);  // the mapping keeps the file
    if (mapped == MAP_FAILED) return nullptr;
    return std::unique_ptr<MappedFile>(
        new MappedFile(static_cast<const uint8_t*>(mapped), static_cast<size_t>(status.st_size)));
}

MappedFile::~MappedFile() { munmap(const_cast<uint8_t*>(data_), size_); }

}  // namespace platform

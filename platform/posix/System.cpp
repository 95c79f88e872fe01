// Host services without a window: the executable's folder and loading libraries by name.
#include <dlfcn.h>
#include <unistd.h>

#include <string>

#include "platform/Platform.h"
#include "platform/PlatformInternal.h"

namespace platform {

std::string ExecutableFolder() {
    std::string buffer(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return ".";
    buffer.resize(static_cast<size_t>(length));
    size_t slash = buffer.rfind('/');
    return slash == 0 ? "/" : buffer.substr(0, slash);
}

std::string HostLibraryFileName(std::string_view dllName) {
    std::string name(dllName);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    if (name.size() > 4) {
        if (LowerCaseAscii(name.substr(name.size() - 4)) == ".dll") name.resize(name.size() - 4);
    }
    return "lib" + name + ".so";
}

std::unique_ptr<Library> Library::Load(std::string_view dllName) {
    std::string fileName = HostLibraryFileName(dllName);
    std::string inProgramFolder = HostProgramFolder() + "/" + fileName;
    void* handle = dlopen(inProgramFolder.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() { dlclose(handle_); }

void* Library::Function(const char* name) const { return dlsym(handle_, name); }

}  // namespace platform

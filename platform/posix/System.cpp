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

LibraryLoad Library::Load(std::string_view dllName) {
    std::string fileName = HostLibraryFileName(dllName);
    std::string inProgramFolder = HostProgramFolder() + "/" + fileName;
    LibraryLoad load;
    void* handle = dlopen(inProgramFolder.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        // The program folder's file, when there is one, is the one whose failure matters.
        load.present = access(inProgramFolder.c_str(), F_OK) == 0;
        const char* folderError = dlerror();
        if (load.present && folderError != nullptr) load.error = folderError;
        handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
        const char* searchError = handle == nullptr ? dlerror() : nullptr;
        if (load.error.empty() && searchError != nullptr) load.error = searchError;
    }
    if (handle != nullptr) {
        load.library.reset(new Library(handle));
        load.error.clear();
    }
    return load;
}

Library::~Library() { dlclose(handle_); }

void* Library::Function(const char* name) const { return dlsym(handle_, name); }

}  // namespace platform

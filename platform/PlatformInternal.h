// Helpers shared by the implementation files of the platform layer; not for callers.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The host folder of the running executable.
std::string ExecutableFolder();
// The program folder as a host path (the test override, or the executable's folder).
std::string HostProgramFolder();
// A host name in Windows form: each character a Windows name cannot hold (\ : * ? " < > |)
// becomes the private-use character U+F000 + its code, so the name round-trips and is never
// read as a path.
std::string ToWindowsName(std::string_view hostName);
// The reverse: those private-use characters become the host characters again.
std::string ToHostName(std::string_view windowsName);

}  // namespace platform

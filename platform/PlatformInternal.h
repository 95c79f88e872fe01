// Helpers shared by the implementation files of the platform layer; not for callers.
#pragma once

#include <string>

namespace platform {

// The host folder of the running executable.
std::string ExecutableFolder();
// The program folder as a host path (the test override, or the executable's folder).
std::string HostProgramFolder();

}  // namespace platform

// Helpers shared by the implementation files of the platform layer; not for callers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Platform.h"

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

// The name of a command socket claimed on the host: a listening socket under it, with rights
// for its owner only, when owned.
struct SocketClaim {
    ChannelClaim claim = ChannelClaim::Failed;
    int listeningSocket = -1;
    uint64_t device = 0;  // the socket file, so that only this very file is removed at the end
    uint64_t inode = 0;
};
SocketClaim ClaimSocketPath(const std::string& hostPath);
// Removes the socket file when it is still the one the claim made.
void ReleaseSocketPath(const std::string& hostPath, uint64_t device, uint64_t inode);

}  // namespace platform

// Unix socket files, as the command channel and the local services use them: their address,
// and what a socket's name holds before anything connects to it or removes it.
#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace platform {

// False when the path is empty or too long for a socket address.
inline bool FillSocketAddress(const std::string& path, sockaddr_un& address) {
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

enum class PathHolds { Nothing, OwnSocket, SomethingElse };

// A socket file of another user (in /tmp anyone may plant one), or any other kind of file,
// is never connected to or removed.
inline PathHolds InspectSocketPath(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? PathHolds::Nothing : PathHolds::SomethingElse;
    }
    const bool ownSocket = S_ISSOCK(info.st_mode) && info.st_uid == geteuid();
    return ownSocket ? PathHolds::OwnSocket : PathHolds::SomethingElse;
}

}  // namespace platform

// Disks that fill up, for the tests of what a failed write tells the user: a file-size limit
// on this process, or a small disk of its own for a child process.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace testing_support {

// Files may be created but not grow beyond bytes, as on a disk that is nearly full; with 0
// every byte written is refused, and some encoders already fail while opening their file.
// A write beyond the limit fails with EFBIG.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t previous_;
};

struct SmallDiskRun {
    bool ran = false;    // false: the system gives no mount namespace here (output says why)
    std::string output;  // what body returned
};

// Runs body in a child process that sees a tmpfs of bytes mounted over folder (an existing
// folder), so that its writes there fail with ENOSPC as on a full disk. Nothing the child
// writes there outlives it. body must not need other threads of this process.
inline SmallDiskRun OnSmallDisk(const std::string& folder, size_t bytes,
                                const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return {false, "no pipe"};
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return {false, "no fork"};
    }
    if (child == 0) {
        close(channel[0]);
        auto answer = [&](const std::string& text, int code) {
            for (size_t sent = 0; sent < text.size();) {
                const ssize_t n = write(channel[1], text.data() + sent, text.size() - sent);
                if (n <= 0) break;
                sent += size_t(n);
            }
            _exit(code);
        };
        auto writeFile = [](const char* path, const std::string& text) {
            const int fd = open(path, O_WRONLY);
            const bool written =
                fd >= 0 && write(fd, text.data(), text.size()) == ssize_t(text.size());
            if (fd >= 0) close(fd);
            return written;
        };
        if (uid == 0) {
            if (unshare(CLONE_NEWNS) != 0) answer("unshare refused", 3);
        } else if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
                   !writeFile("/proc/self/setgroups", "deny") ||
                   !writeFile("/proc/self/uid_map",
                              std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
                   !writeFile("/proc/self/gid_map",
                              std::to_string(gid) + " " + std::to_string(gid) + " 1")) {
            answer("no user namespace", 3);
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            answer("mounts cannot be made private", 3);
        const std::string options = "size=" + std::to_string(bytes);
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
            answer("tmpfs refused", 3);
        answer(body(), 0);
    }
    close(channel[1]);
    SmallDiskRun run;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, size_t(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

}  // namespace testing_support

#include "platform/linux/LinuxInstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pankor {

std::string LinuxInstanceLock::LockFolder() {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') return run;
    return "/tmp/pankor-" + std::to_string(getuid());
}

LockResult LinuxInstanceLock::Acquire(const std::string& name) noexcept {
    try {
        const std::string folder = LockFolder();
        mkdir(folder.c_str(), 0700);
        struct stat st {};
        // A shared /tmp folder must be ours alone, or another user could hold our lock.
        if (lstat(folder.c_str(), &st) != 0) return {LockOutcome::Failed, static_cast<unsigned long>(errno)};
        if (!S_ISDIR(st.st_mode) || st.st_uid != getuid()) return {LockOutcome::Failed, EACCES};

        std::string file = name;
        for (char& c : file)
            if (c == '\\' || c == '/') c = '.';
        // Close-on-exec: programs we start must not inherit (and so keep) the lock.
        const int fd = open((folder + "/" + file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return {LockOutcome::Failed, static_cast<unsigned long>(errno)};
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            close(fd);
            if (err == EWOULDBLOCK) return {LockOutcome::HeldElsewhere, 0};
            return {LockOutcome::Failed, static_cast<unsigned long>(err)};
        }
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
        return {LockOutcome::Acquired, 0};
    } catch (...) {
        return {LockOutcome::Failed, ENOMEM};
    }
}

}  // namespace pankor

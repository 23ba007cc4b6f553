#include "platform/linux/LinuxInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

#include "platform/linux/PosixError.h"

namespace pankor {

std::string LinuxInstanceLock::LockFolder() {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') return run;
    return "/tmp/pankor-" + std::to_string(getuid());
}

Result<bool> LinuxInstanceLock::Acquire(const std::string& name) noexcept {
    const auto fail = [](int err) { return Result<bool>::From(ErrnoFailure(err)); };
    try {
        const std::string folder = LockFolder();
        mkdir(folder.c_str(), 0700);
        struct stat st {};
        // A shared /tmp folder must be ours alone, or another user could hold our lock.
        if (lstat(folder.c_str(), &st) != 0) return fail(errno);
        if (!S_ISDIR(st.st_mode) || st.st_uid != getuid()) return fail(EACCES);

        std::string file = name;
        for (char& c : file)
            if (c == '\\' || c == '/') c = '.';
        // Close-on-exec: programs we start must not inherit (and so keep) the lock.
        UniqueFd fd(open((folder + "/" + file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!fd) return fail(errno);
        if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) return Result<bool>::Of(false);
            return fail(errno);
        }
        fd_ = std::move(fd);
        return Result<bool>::Of(true);
    } catch (...) {
        return fail(ENOMEM);
    }
}

}  // namespace pankor

#pragma once
#include "platform/IInstanceLock.h"

namespace pankor {

// flock on a file in the user's runtime folder: the kernel drops the lock
// when the holder dies, so a crash never leaves a stale lock behind.
class LinuxInstanceLock : public IInstanceLock {
public:
    LockResult Acquire(const std::string& name) noexcept override;

    // $XDG_RUNTIME_DIR, else a private folder under /tmp.
    static std::string LockFolder();

private:
    int fd_ = -1;  // held open for the life of the process
};

}  // namespace pankor

#pragma once
#include "platform/IInstanceLock.h"
#include "platform/linux/UniqueFd.h"

namespace pankor {

// flock on a file in the user's runtime folder: the kernel drops the lock
// when the holder dies, so a crash never leaves a stale lock behind.
class LinuxInstanceLock : public IInstanceLock {
public:
    Result<bool> Acquire(const std::string& name) noexcept override;

    // $XDG_RUNTIME_DIR, else a private folder under /tmp.
    static std::string LockFolder();

private:
    UniqueFd fd_;  // held open for the life of the process
};

}  // namespace pankor

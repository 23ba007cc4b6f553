#pragma once
#include <string>

#include "base/Result.h"

namespace pankor {

// A per-user, per-session named lock that the OS releases when the holder dies.
class IInstanceLock {
public:
    virtual ~IInstanceLock() = default;
    // True: acquired, and kept until the process ends. False: another process
    // holds it. A failure carries the system's error number.
    virtual Result<bool> Acquire(const std::string& name) noexcept = 0;
};

}  // namespace pankor

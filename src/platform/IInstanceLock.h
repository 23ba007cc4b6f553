#pragma once
#include <string>

namespace pankor {

enum class LockOutcome { Acquired, HeldElsewhere, Failed };

struct LockResult {
    LockOutcome outcome = LockOutcome::Failed;
    unsigned long errorCode = 0;  // the system's error number when Failed
};

// A per-user, per-session named lock that the OS releases when the holder dies.
class IInstanceLock {
public:
    virtual ~IInstanceLock() = default;
    // Once acquired, the lock is kept until the process ends.
    virtual LockResult Acquire(const std::string& name) noexcept = 0;
};

}  // namespace pankor

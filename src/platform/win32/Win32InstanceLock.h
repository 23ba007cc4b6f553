#pragma once
#include "platform/IInstanceLock.h"

namespace pankor {

// A named mutex, owned from creation. The handle is kept and never closed,
// so the system releases the lock only when the process ends.
class Win32InstanceLock final : public IInstanceLock {
public:
    Result<bool> Acquire(const std::string& name) noexcept override;

private:
    void* held_ = nullptr;  // HANDLE of the owned mutex
};

}  // namespace pankor

#include "platform/win32/Win32InstanceLock.h"

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Windows.h"

namespace pankor {

LockResult Win32InstanceLock::Acquire(const std::string& name) noexcept {
    const std::optional<std::wstring> wide = win32::WidePath(name);
    if (!wide) return LockResult{LockOutcome::Failed, ERROR_INVALID_NAME};
    // No security attributes: the handle is not inheritable, so programs this
    // process starts never keep the lock alive after it ends.
    HANDLE h = CreateMutexW(nullptr, TRUE, wide->c_str());
    const DWORD error = GetLastError();
    if (!h) return LockResult{LockOutcome::Failed, error};
    if (error == ERROR_ALREADY_EXISTS) {
        // Not ours: a handle kept here would keep the mutex object alive after
        // its owner ends, and a later start would take it as still held.
        CloseHandle(h);
        return LockResult{LockOutcome::HeldElsewhere, 0};
    }
    held_ = h;
    return LockResult{LockOutcome::Acquired, 0};
}

}  // namespace pankor

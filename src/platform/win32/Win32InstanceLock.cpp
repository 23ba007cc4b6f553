#include "platform/win32/Win32InstanceLock.h"

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Windows.h"

namespace pankor {

Result<bool> Win32InstanceLock::Acquire(const std::string& name) noexcept {
    try {
        const std::optional<std::wstring> wide = win32::WidePath(name);
        if (!wide) return Result<bool>::From(win32::ErrorFailure(ERROR_INVALID_NAME));
        // No security attributes: the handle is not inheritable, so programs this
        // process starts never keep the lock alive after it ends.
        win32::UniqueKernelHandle mutex(CreateMutexW(nullptr, TRUE, wide->c_str()));
        const DWORD error = GetLastError();
        if (!mutex) return Result<bool>::From(win32::ErrorFailure(error));
        // Not ours: the handle closes here, since one kept would keep the mutex
        // object alive after its owner ends, and a later start would take it as still held.
        if (error == ERROR_ALREADY_EXISTS) return Result<bool>::Of(false);
        held_ = mutex.Release();  // never closed: the system lets go when the process ends
        return Result<bool>::Of(true);
    } catch (...) {
        return Result<bool>::From(win32::OutOfMemory());
    }
}

}  // namespace pankor

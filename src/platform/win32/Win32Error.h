#pragma once
// Failures of Win32 calls as the core's Status: the system's description
// with its error number, which the log lines show.
#include "platform/win32/Win32Windows.h"

#include "base/Result.h"
#include "platform/win32/Win32Text.h"

namespace pankor::win32 {

inline Status ErrorFailure(DWORD code) { return Status::Fail(ErrorText(code), code); }

// The failure the calling thread's last error describes.
inline Status LastErrorFailure() {
    const DWORD code = GetLastError();  // before anything else can change it
    return ErrorFailure(code);
}

// What a catch of std::bad_alloc (or any other exception) answers with; the
// text is short enough to need no allocation.
inline Status OutOfMemory() noexcept { return Status::Fail("out of memory", ERROR_NOT_ENOUGH_MEMORY); }

}  // namespace pankor::win32

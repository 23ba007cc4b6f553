#pragma once
// Owned Win32 handles used by several files of the platform layer.
#include "platform/win32/Win32Windows.h"

#include "base/UniqueHandle.h"

namespace pankor::win32 {

// Files and Toolhelp snapshots: their "no handle" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using UniqueFile = UniqueHandle<FileHandleTraits>;

// Mutexes, processes and other kernel objects whose "no handle" is null.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// Closes the handle now and tells whether closing succeeded: a failed
// delayed write shows only here, so writers check it.
inline bool CloseChecked(UniqueFile& file) noexcept {
    if (!file) return true;
    return CloseHandle(file.Release()) != FALSE;
}

}  // namespace pankor::win32

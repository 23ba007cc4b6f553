#include "platform/win32/Win32Processes.h"

#include "platform/win32/Win32Windows.h"

#include <tlhelp32.h>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Text.h"

namespace pankor {

Result<std::vector<std::string>> Win32Processes::ExecutableNames() noexcept {
    try {
        // A snapshot is a kernel handle with the file handles' "no handle" value.
        const win32::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return Result<std::vector<std::string>>::From(win32::LastErrorFailure());
        std::vector<std::string> names;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        BOOL more = Process32FirstW(snapshot.Get(), &entry);
        if (!more && GetLastError() != ERROR_NO_MORE_FILES)
            return Result<std::vector<std::string>>::From(win32::LastErrorFailure());
        while (more) {
            // The name field is fixed-size; a name filling it has no NUL.
            std::size_t length = 0;
            while (length < MAX_PATH && entry.szExeFile[length] != L'\0') ++length;
            if (length > 0) {
                if (std::optional<std::string> name = win32::FromWide({entry.szExeFile, length}))
                    names.push_back(std::move(*name));
            }
            entry = PROCESSENTRY32W{};
            entry.dwSize = sizeof(entry);
            more = Process32NextW(snapshot.Get(), &entry);
        }
        return Result<std::vector<std::string>>::Of(std::move(names));
    } catch (...) {
        return Result<std::vector<std::string>>::From(win32::OutOfMemory());
    }
}

bool Win32Processes::IsWine() noexcept {
    // Only looked up, never loaded: every process has ntdll already.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace pankor

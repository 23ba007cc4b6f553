#include "platform/win32/Win32Processes.h"

#include "platform/win32/Win32Windows.h"

#include <tlhelp32.h>

#include "platform/win32/Win32Text.h"

namespace pankor {

namespace {

class Snapshot {
public:
    Snapshot() noexcept : handle_(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {}
    ~Snapshot() {
        if (valid()) CloseHandle(handle_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const noexcept { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

Result<std::vector<std::string>> Win32Processes::ExecutableNames() noexcept {
    try {
        Snapshot snapshot;
        if (!snapshot.valid()) return Result<std::vector<std::string>>::Fail(win32::LastErrorText());
        std::vector<std::string> names;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        BOOL more = Process32FirstW(snapshot.get(), &entry);
        if (!more && GetLastError() != ERROR_NO_MORE_FILES)
            return Result<std::vector<std::string>>::Fail(win32::LastErrorText());
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
            more = Process32NextW(snapshot.get(), &entry);
        }
        return Result<std::vector<std::string>>::Of(std::move(names));
    } catch (...) {
        return Result<std::vector<std::string>>::Fail(win32::ErrorText(ERROR_NOT_ENOUGH_MEMORY));
    }
}

bool Win32Processes::IsWine() noexcept {
    // Only looked up, never loaded: every process has ntdll already.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace pankor

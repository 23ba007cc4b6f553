#include "platform/win32/Win32Processes.h"

#include "platform/win32/Win32Windows.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Text.h"

namespace pankor {

namespace {

class Win32Process final : public IProcess {
public:
    Win32Process(HANDLE process, DWORD id) noexcept : process_(process), id_(id) {}
    bool WaitExit(int milliseconds) noexcept override {
        // A handle that cannot be waited on counts as ended, as a failed wait does.
        return WaitForSingleObject(process_.Get(), static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds)) !=
               WAIT_TIMEOUT;
    }
    std::uint32_t Id() const noexcept override { return id_; }

private:
    win32::UniqueKernelHandle process_;
    DWORD id_;
};

}  // namespace

Result<std::unique_ptr<IProcess>> Win32Processes::Start(const std::string& commandLine, bool hidden) noexcept {
    using R = Result<std::unique_ptr<IProcess>>;
    try {
        std::optional<std::wstring> line = win32::ToWide(commandLine);
        if (!line || line->find(L'\0') != std::wstring::npos) return R::From(win32::ErrorFailure(ERROR_INVALID_PARAMETER));
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(hidden ? SW_HIDE : SW_SHOWNORMAL);
        PROCESS_INFORMATION info{};
        // No application name: the program is the command line's first part,
        // found the way a command line finds it. The line must be writable.
        if (!CreateProcessW(nullptr, line->data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return R::From(win32::LastErrorFailure());
        CloseHandle(info.hThread);
        return R::Of(std::make_unique<Win32Process>(info.hProcess, info.dwProcessId));
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

Status Win32Processes::OpenUrl(const std::string& url) noexcept {
    try {
        const std::optional<std::wstring> wide = win32::ToWide(url);
        if (!wide) return win32::ErrorFailure(ERROR_INVALID_PARAMETER);
        SetLastError(ERROR_SUCCESS);
        // Values above 32 are success; the call also sets the thread's last error.
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, L"open", wide->c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) return Status::Ok();
        const DWORD code = GetLastError();
        return win32::ErrorFailure(code != ERROR_SUCCESS ? code : ERROR_NO_ASSOCIATION);
    } catch (...) {
        return win32::OutOfMemory();
    }
}

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

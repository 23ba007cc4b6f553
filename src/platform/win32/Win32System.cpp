#include "platform/win32/Win32System.h"

#include "platform/win32/Win32Windows.h"

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Time.h"

namespace pankor {

using win32::FromWide;
using win32::ToWide;

std::wstring_view SkipProgramName(std::wstring_view line) noexcept {
    std::size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    return line.substr(i);
}

std::string Win32System::CommandLine() const noexcept {
    const wchar_t* raw = GetCommandLineW();
    if (!raw) return {};
    return FromWide(SkipProgramName(raw)).value_or(std::string());
}

std::string Win32System::ExecutablePath() const noexcept {
    try {
        // The buffer grows until the whole path fits (long paths exceed MAX_PATH).
        std::wstring buffer(MAX_PATH, L'\0');
        for (int attempt = 0; attempt < 8; ++attempt) {
            const DWORD size = static_cast<DWORD>(buffer.size());
            const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), size);
            if (n == 0) return {};
            if (n < size) {
                buffer.resize(n);
                return FromWide(buffer).value_or(std::string());
            }
            buffer.resize(buffer.size() * 2);
        }
    } catch (...) {
        return {};  // out of memory: "cannot be told" is the only answer this call has
    }
    return {};
}

DateTime Win32System::LocalNow() const noexcept {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::int64_t Win32System::UtcNow() const noexcept {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return win32::UnixSeconds(now);
}

std::int64_t Win32System::MonotonicMs() const noexcept { return static_cast<std::int64_t>(GetTickCount64()); }

void Win32System::SleepMs(int milliseconds) const noexcept {
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

int Win32System::ScreenDpi() const noexcept {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 0;
}

PixelSize Win32System::DesktopSize() const noexcept {
    HDC dc = GetDC(nullptr);
    if (!dc) return {};
    const PixelSize size{GetDeviceCaps(dc, DESKTOPHORZRES), GetDeviceCaps(dc, DESKTOPVERTRES)};
    ReleaseDC(nullptr, dc);
    return size;
}

std::string Win32System::OsVersion() const noexcept {
    // RtlGetVersion tells the truth where GetVersionEx answers what the
    // manifest claims to support.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC proc = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc) return {};
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;  // 276 bytes
    if (reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(proc))(&info) != 0) return {};
    try {
        return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
               std::to_string(info.dwBuildNumber);
    } catch (...) {
        return {};  // out of memory: "unknown"
    }
}

bool Win32System::DeclareDpiAware() noexcept {
    // Looked up at run time: systems before Vista lack the call, and the
    // manifest's declaration still applies there.
    using SetProcessDPIAwareFn = BOOL(WINAPI*)();
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return false;
    FARPROC proc = GetProcAddress(user32, "SetProcessDPIAware");
    if (!proc) return false;
    const auto fn = reinterpret_cast<SetProcessDPIAwareFn>(reinterpret_cast<void (*)()>(proc));
    return fn() != FALSE;
}

void Win32System::AllowAnyForeground() noexcept { AllowSetForegroundWindow(ASFW_ANY); }

std::string Win32System::ToNativeText(const std::string& utf8) const noexcept {
    const std::optional<std::wstring> wide = ToWide(utf8, CP_UTF8);
    if (!wide) return {};
    return FromWide(*wide, CP_ACP).value_or(std::string());
}

std::string Win32System::FromNativeText(const std::string& native) const noexcept {
    const std::optional<std::wstring> wide = ToWide(native, CP_ACP);
    if (!wide) return {};
    return FromWide(*wide, CP_UTF8).value_or(std::string());
}

}  // namespace pankor

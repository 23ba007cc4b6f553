// The contract suites against the Win32 platform layer (cross-built, run
// under Wine). What the test looks at is looked at with the plain API.
#include <cstring>
#include <ctime>

#include "TestSupport.h"
#include "platform/win32/Win32InstanceLock.h"

using namespace pankor;
using test::Wide;

// The Win32 services with a folder and names of the test's own: mutexes and keys outlive a test.
struct Win32Host : test::Scratch, NativePlatform, Platform {
    Win32Host() : Platform(NativePlatform::Get()) {}
    ~Win32Host() {
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(SubKey()).c_str());
        UnsetVariable(VariableName());
    }

    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    static inline int count = 0;

    std::string SubKey() const { return "Software\\Tarnwick\\PankorContract-" + unique; }
    static void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
        const HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);  // folders too
        const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds) * 10000000u + 116444736000000000u;
        const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t)) << path;
        CloseHandle(h);
    }
    static std::int64_t UtcNow() { return std::time(nullptr); }
    static std::int64_t UtcOffsetSeconds() {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}.SerialSeconds() - UtcNow();
    }
    static PixelSize Desktop() {  // the display's mode: physical pixels, whatever the process's DPI awareness
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        EXPECT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
        return {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight)};
    }
    static std::string OsRelease() {  // "10.0.19045" as the registry has it
        const auto value = [](const wchar_t* name) {
            wchar_t data[64] = {};
            DWORD type = 0, size = sizeof data, number = 0;
            if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion", name,
                             RRF_RT_REG_DWORD | RRF_RT_REG_SZ, &type, data, &size) != ERROR_SUCCESS)
                return std::string();
            std::memcpy(&number, data, sizeof number);
            return type == REG_DWORD ? std::to_string(number) : test::Utf8(data);
        };
        const std::string major = value(L"CurrentMajorVersionNumber");  // from Windows 10 on
        return (major.empty() ? value(L"CurrentVersion") : major + "." + value(L"CurrentMinorVersionNumber")) + "." +
               value(L"CurrentBuildNumber");
    }
    static std::string ProgramName() {
        wchar_t own[MAX_PATH] = {};
        const std::wstring path(own, GetModuleFileNameW(nullptr, own, MAX_PATH));
        return test::Utf8(path.substr(path.find_last_of(L'\\') + 1));
    }
    static bool RunsUnderWine() {  // every Wine prefix has this key; Windows has none
        HKEY key = nullptr;
        const bool wine = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
        return wine;
    }
    static bool Kill(std::uint32_t id) {
        const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        const bool killed = process && TerminateProcess(process, 9);
        if (process) CloseHandle(process);
        return killed;
    }
    static std::vector<std::string> VersionPrograms() { return {test::WindowsPath(VERSION_PROGRAM)}; }
    static std::string IconProgram() { return test::WindowsPath(ICON_PROGRAM); }
    static std::string PlainProgram() { return test::WindowsPath(PLAIN_PROGRAM); }
    static std::string ArgsProgram() { return test::WindowsPath(ARGS_PROGRAM); }
    static std::string PlatformProgram() { return test::WindowsPath(PLATFORM_PROGRAM); }
    static std::unique_ptr<IInstanceLock> MakeLock() { return std::make_unique<Win32InstanceLock>(); }
    std::string LockName(int n) const { return "Local\\Pankor.Contract." + unique + "." + std::to_string(n); }
    std::string BadLockName() const { return "NoSuchNamespace\\Pankor.Contract." + unique; }
    std::string VariableName() const { return "PANKOR_CONTRACT_" + unique; }
    static void SetVariable(const std::string& name, const std::string& value) {
        ASSERT_TRUE(SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str()));
    }
    static void UnsetVariable(const std::string& name) { SetEnvironmentVariableW(Wide(name).c_str(), nullptr); }
};

using ContractHosts = ::testing::Types<Win32Host>;

#include "AllSuites.h"

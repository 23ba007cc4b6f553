// The contract suites against the Win32 platform layer (cross-built, run
// under Wine). What the test looks at is looked at with the plain API.
#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/Win32InstanceLock.h"

using namespace pankor;
using test::Wide;

// The Win32 services with a folder and names of the test's own: mutexes and
// keys outlive a test, so every host takes new ones.
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
    static DateTime Now(void (*get)(SYSTEMTIME*)) {
        SYSTEMTIME t{};
        get(&t);
        return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }
    static std::int64_t UtcNow() { return Now(GetSystemTime).SerialSeconds(); }
    static std::int64_t UtcOffsetSeconds() { return Now(GetLocalTime).SerialSeconds() - UtcNow(); }
    static PixelSize Desktop() {  // the display's mode: physical pixels, whatever the process's DPI awareness
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        EXPECT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
        return {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight)};
    }
    static std::string OsRelease() {  // "10.0.19045" as the registry has it
        const wchar_t* key = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
        const auto number = [&](const wchar_t* name) {
            DWORD value = 0, size = sizeof value;
            const LSTATUS got = RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
            return got == ERROR_SUCCESS ? std::to_string(value) : std::string();
        };
        const auto text = [&](const wchar_t* name) {
            wchar_t value[64] = {};
            DWORD size = sizeof value;
            const LSTATUS got = RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size);
            return got == ERROR_SUCCESS ? test::Utf8(value) : std::string();
        };
        const std::string major = number(L"CurrentMajorVersionNumber");  // from Windows 10 on
        return (major.empty() ? text(L"CurrentVersion") : major + "." + number(L"CurrentMinorVersionNumber")) + "." +
               text(L"CurrentBuildNumber");
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

// The suites that follow run on this host.
namespace pankor::contract {
using ContractHosts = ::testing::Types<Win32Host>;
}  // namespace pankor::contract

#include "AllSuites.h"

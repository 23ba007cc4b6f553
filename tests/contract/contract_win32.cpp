// The contract suites against the Win32 platform layer (cross-built, run
// under Wine). Results are looked at with the plain Windows API.
#include "ClockContract.h"
#include "CryptoContract.h"
#include "EnvironmentContract.h"
#include "FileCopyContract.h"
#include "FileSystemContract.h"
#include "HttpContract.h"
#include "HttpTransferContract.h"
#include "IconsContract.h"
#include "InstanceLockContract.h"
#include "ProcessesContract.h"
#include "ProgramsContract.h"
#include "RegistryContract.h"
#include "RegistryKeysContract.h"
#include "SystemContract.h"
#include "TestSupport.h"
#include "VersionResourceContract.h"
#include "platform/win32/Win32Crypto.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Http.h"
#include "platform/win32/Win32Icons.h"
#include "platform/win32/Win32InstanceLock.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32VersionResource.h"

using namespace pankor;
using namespace pankor::contract;

// The fixtures live in the global namespace and are named after their
// service, so that test names read "Linux.Case<Registry>".

using test::Wide;

// Names no other test process uses.
static std::string Unique(const std::string& prefix) {
    static int counter = 0;
    return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

// A folder of the test's own, and plain file calls to look behind the service.
class Scratch {
public:
    const std::string& Root() const { return folder_.Path(); }
    std::string In(const std::string& name) const { return folder_.Join(name); }
    static void WriteRaw(const std::string& path, const std::string& data) { test::WriteWhole(path, data); }
    static std::optional<std::string> ReadRaw(const std::string& path) {
        const DWORD a = GetFileAttributesW(Wide(path).c_str());
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
        return test::ReadWhole(path);
    }
    static void MakeFolderRaw(const std::string& path) { ASSERT_TRUE(CreateDirectoryW(Wide(path).c_str(), nullptr)); }

private:
    test::TempFolder folder_;
};

struct Registry {
    std::string subKey = Unique("Software\\Tarnwick\\PankorContract-");
    Win32Registry registry;
    ~Registry() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(subKey).c_str()); }
    IRegistry& Service() { return registry; }
    const std::string& SubKey() const { return subKey; }
};

struct FileSystem : Scratch {
    Win32FileSystem fs;
    IFileSystem& Service() { return fs; }
    static void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
        // The flag opens folders too.
        const HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds) * 10000000u + 116444736000000000u;
        const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
        CloseHandle(h);
    }
    static DateTime LocalNow() {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }
    static std::int64_t UtcNow() {
        SYSTEMTIME t{};
        GetSystemTime(&t);
        return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}.SerialSeconds();
    }
};

struct Http {
    Win32Http http;
    IHttp& Service() { return http; }
};

struct Crypto {
    Win32Crypto crypto;
    ICrypto& Service() { return crypto; }
};

// A copy of the icon program under another name, started from there.
class WaitingCopy {
public:
    explicit WaitingCopy(const std::string& path) {
        if (!CopyFileW(Wide(test::WindowsPath(ICON_PROGRAM)).c_str(), Wide(path).c_str(), FALSE)) return;
        std::wstring commandLine = L"\"" + Wide(path) + L"\" 60000";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (CreateProcessW(Wide(path).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &info_))
            CloseHandle(info_.hThread);
    }
    ~WaitingCopy() {
        if (!info_.hProcess) return;
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hProcess);
    }
    WaitingCopy(const WaitingCopy&) = delete;
    WaitingCopy& operator=(const WaitingCopy&) = delete;

private:
    PROCESS_INFORMATION info_{};
};

static std::string ThisProgramName() {
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    const std::wstring path = own;
    return test::Utf8(path.substr(path.find_last_of(L'\\') + 1));
}

struct Processes : Scratch {
    Win32Processes processes;
    IProcesses& Service() { return processes; }
    static std::string OwnName() { return ThisProgramName(); }
    // Every Wine prefix has this key; Windows has none.
    static bool RunsUnderWine() {
        HKEY key = nullptr;
        const bool wine = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
        return wine;
    }
    std::unique_ptr<WaitingCopy> Start(const std::string& fileName) const {
        return std::make_unique<WaitingCopy>(In(fileName));
    }
};

struct VersionResource : Scratch {
    Win32VersionResource versions;
    const IVersionResource& Service() const { return versions; }
    static std::string VersionProgram() { return test::WindowsPath(VERSION_PROGRAM); }
    static std::string PlainProgram() { return test::WindowsPath(PLAIN_PROGRAM); }
};

struct Icons : Scratch {
    Win32Icons icons;
    IIcons& Service() { return icons; }
    static std::string IconProgram() { return test::WindowsPath(ICON_PROGRAM); }
    static std::string PlainProgram() { return test::WindowsPath(PLAIN_PROGRAM); }
};

// A lock object keeps its mutex for the life of the process: each test takes names of its own.
struct InstanceLock {
    std::string prefix = Unique("Local\\Pankor.Contract.");
    static std::unique_ptr<IInstanceLock> Make() { return std::make_unique<Win32InstanceLock>(); }
    std::string UniqueName(int n) const { return prefix + "." + std::to_string(n); }
    std::string BadName() const { return "NoSuchNamespace\\" + prefix; }
};

struct Environment {
    std::string name = Unique("PANKOR_CONTRACT_");
    Win32Environment environment;
    ~Environment() { Unset(name); }
    IEnvironment& Service() { return environment; }
    const std::string& UniqueName() const { return name; }
    static void Set(const std::string& n, const std::string& value) {
        ASSERT_TRUE(SetEnvironmentVariableW(Wide(n).c_str(), Wide(value).c_str()));
    }
    static void Unset(const std::string& n) { SetEnvironmentVariableW(Wide(n).c_str(), nullptr); }
};

struct System {
    Win32System system;
    ISystem& Service() { return system; }
    static std::string ProgramName() { return ThisProgramName(); }
    static std::int64_t WallClockUtc() { return FileSystem::UtcNow(); }
    static std::int64_t UtcOffsetSeconds() {
        TIME_ZONE_INFORMATION zone{};
        const DWORD kind = GetTimeZoneInformation(&zone);
        const long bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);  // UTC - local
        return -static_cast<std::int64_t>(bias) * 60;
    }
};

// The args program in a folder whose path holds a blank.
struct Programs : Scratch {
    Programs() {
        MakeFolderRaw(In("with blank"));
        EXPECT_TRUE(CopyFileW(Wide(test::WindowsPath(ARGS_PROGRAM)).c_str(), Wide(Program()).c_str(), FALSE));
    }
    Win32Processes processes;
    IProcesses& Service() { return processes; }
    std::string Program() const { return In("with blank\\args program.exe"); }
    std::optional<std::string> Recorded() const {
        const std::string file = In("with blank\\args.txt");
        std::optional<std::string> text = ReadRaw(file);
        if (text) DeleteFileW(Wide(file).c_str());
        return text;
    }
    std::string Missing() const { return In("with blank\\no such program.exe"); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryContract, Registry);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryKeysContract, Registry);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileCopyContract, FileSystem);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, HttpTransferContract, Http);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ProgramsContract, Programs);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ClockContract, System);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileSystemContract, FileSystem);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, HttpContract, Http);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, CryptoContract, Crypto);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ProcessesContract, Processes);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, VersionResourceContract, VersionResource);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, IconsContract, Icons);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, InstanceLockContract, InstanceLock);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, EnvironmentContract, Environment);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SystemContract, System);

// The contract suites against the Linux platform layer.
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

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
#include "platform/linux/LinuxCrypto.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxHttp.h"
#include "platform/linux/LinuxIcons.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxVersionResource.h"

using namespace pankor;
using namespace pankor::contract;

// The fixtures live in the global namespace and are named after their
// service, so that test names read "Linux.Case<Registry>".

// A folder of the test's own, and plain file calls to look behind the service.
class Scratch {
public:
    const std::string& Root() const { return folder_.path(); }
    std::string In(const std::string& name) const { return folder_ / name; }
    static void WriteRaw(const std::string& path, const std::string& data) { pankor::testing::WriteAll(path, data); }
    static std::optional<std::string> ReadRaw(const std::string& path) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
        return pankor::testing::ReadAll(path);
    }
    static void MakeFolderRaw(const std::string& path) { std::filesystem::create_directory(path); }

private:
    pankor::testing::TempFolder folder_;
};

// A fixture program built by the MinGW toolchain, when there is one.
static std::string Program(const char* name) {
    const std::string path = std::string(CONTRACT_PROGRAM_DIR) + "/x86_64_" + name + ".exe";
    return std::filesystem::exists(path) ? path : std::string();
}

// Sets a variable for the fixture's life.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct Registry : Scratch {
    LinuxRegistry registry{In("registry.txt"), ""};  // no autostart mirror
    IRegistry& Service() { return registry; }
    static std::string SubKey() { return "Software\\Tarnwick\\PankorContract"; }
};

struct FileSystem : Scratch {
    LinuxFileSystem fs;
    IFileSystem& Service() { return fs; }
    static void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
        const timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
    static DateTime LocalNow() {
        const std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
    static std::int64_t UtcNow() { return std::time(nullptr); }
};

struct Http {
    LinuxHttp http;
    IHttp& Service() { return http; }
};

struct Crypto {
    LinuxCrypto crypto;
    ICrypto& Service() { return crypto; }
};

// /bin/sleep copied under another name and started from there.
class SleepingCopy {
public:
    explicit SleepingCopy(const std::string& path) {
        std::filesystem::copy_file("/bin/sleep", path);
        std::string program = path, seconds = "60";
        char* argv[] = {program.data(), seconds.data(), nullptr};
        if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
    }
    ~SleepingCopy() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    SleepingCopy(const SleepingCopy&) = delete;
    SleepingCopy& operator=(const SleepingCopy&) = delete;

private:
    pid_t pid_ = -1;
};

struct Processes : Scratch {
    LinuxProcesses processes;
    IProcesses& Service() { return processes; }
    static std::string OwnName() { return program_invocation_short_name; }
    static bool RunsUnderWine() { return false; }
    std::unique_ptr<SleepingCopy> Start(const std::string& fileName) const {
        return std::make_unique<SleepingCopy>(In(fileName));
    }
};

struct VersionResource : Scratch {
    LinuxVersionResource versions;
    const IVersionResource& Service() const { return versions; }
    static std::string VersionProgram() { return Program("version"); }
    static std::string PlainProgram() { return Program("plain"); }
};

struct Icons : Scratch {
    LinuxIcons icons;
    IIcons& Service() { return icons; }
    static std::string IconProgram() { return Program("icon"); }
    static std::string PlainProgram() { return Program("plain"); }
};

// The lock lives in the runtime folder: one of the test's own.
struct InstanceLock : Scratch {
    ScopedVariable runtime{"XDG_RUNTIME_DIR", Root()};
    static std::unique_ptr<IInstanceLock> Make() { return std::make_unique<LinuxInstanceLock>(); }
    static std::string UniqueName(int n) { return "Local\\Pankor.Contract." + std::to_string(n); }
    static std::string BadName() { return std::string(300, 'x'); }  // longer than a file name may be
};

struct Environment {
    LinuxEnvironment environment;
    IEnvironment& Service() { return environment; }
    static std::string UniqueName() { return "PANKOR_CONTRACT_" + std::to_string(getpid()); }
    static void Set(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }
    static void Unset(const std::string& name) { unsetenv(name.c_str()); }
    ~Environment() { Unset(UniqueName()); }
};

struct System {
    LinuxSystem system;
    ISystem& Service() { return system; }
    static std::string ProgramName() { return program_invocation_short_name; }
    static std::int64_t WallClockUtc() { return std::time(nullptr); }
    static std::int64_t UtcOffsetSeconds() {
        const std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        return tm.tm_gmtoff;
    }
};

// The args program in a folder whose path holds a blank.
struct Programs : Scratch {
    Programs() {
        std::filesystem::create_directory(In("with blank"));
        std::filesystem::copy_file(ARGS_PROGRAM, Program());
    }
    LinuxProcesses processes;
    IProcesses& Service() { return processes; }
    std::string Program() const { return In("with blank/args program"); }
    std::optional<std::string> Recorded() const {
        const std::string file = In("with blank/args.txt");
        std::optional<std::string> text = ReadRaw(file);
        if (text) std::filesystem::remove(file);
        return text;
    }
    std::string Missing() const { return In("with blank/no such program"); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Linux, RegistryContract, Registry);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, RegistryKeysContract, Registry);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, FileCopyContract, FileSystem);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, HttpTransferContract, Http);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, ProgramsContract, Programs);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, ClockContract, System);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, FileSystemContract, FileSystem);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, HttpContract, Http);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, CryptoContract, Crypto);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, ProcessesContract, Processes);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, VersionResourceContract, VersionResource);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, IconsContract, Icons);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, InstanceLockContract, InstanceLock);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, EnvironmentContract, Environment);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, SystemContract, System);

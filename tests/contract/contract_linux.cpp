// The contract suites against the Linux platform layer.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

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
#include "Scratch.h"
#include "SystemContract.h"
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

// The Linux services with a folder, a registry store and a runtime folder
// (where locks live) of the test's own.
struct LinuxHost : test::Scratch {
    LinuxHost() { setenv("XDG_RUNTIME_DIR", Root().c_str(), 1); }
    ~LinuxHost() { unsetenv(VariableName().c_str()); }

    LinuxRegistry registry{In("registry.txt"), ""};  // no autostart mirror
    LinuxFileSystem fs;
    LinuxHttp http;
    LinuxCrypto crypto;
    LinuxProcesses processes;
    LinuxVersionResource versions;
    LinuxIcons icons;
    LinuxEnvironment environment;
    LinuxSystem system;

    static std::string SubKey() { return "Software\\Tarnwick\\PankorContract"; }
    static void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
        const timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
    static std::tm LocalTm() {
        const std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        return tm;
    }
    static DateTime LocalNow() {
        const std::tm tm = LocalTm();
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
    static std::int64_t UtcNow() { return std::time(nullptr); }
    static std::int64_t UtcOffsetSeconds() { return LocalTm().tm_gmtoff; }
    static std::string ProgramName() { return program_invocation_short_name; }
    static bool RunsUnderWine() { return false; }
    std::unique_ptr<SleepingCopy> Start(const std::string& fileName) const {
        return std::make_unique<SleepingCopy>(In(fileName));
    }
    // Programs built by the MinGW toolchain, when there is one.
    static std::string Program(const char* name) {
        const std::string path = std::string(CONTRACT_PROGRAM_DIR) + "/x86_64_" + name + ".exe";
        return std::filesystem::exists(path) ? path : std::string();
    }
    static std::string VersionProgram() { return Program("version"); }
    static std::string IconProgram() { return Program("icon"); }
    static std::string PlainProgram() { return Program("plain"); }
    static std::string ArgsProgram() { return ARGS_PROGRAM; }
    static std::unique_ptr<IInstanceLock> MakeLock() { return std::make_unique<LinuxInstanceLock>(); }
    static std::string LockName(int n) { return "Local\\Pankor.Contract." + std::to_string(n); }
    static std::string BadLockName() { return std::string(300, 'x'); }  // longer than a file name may be
    static std::string VariableName() { return "PANKOR_CONTRACT_" + std::to_string(getpid()); }
    static void SetVariable(const std::string& name, const std::string& value) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    static void UnsetVariable(const std::string& name) { unsetenv(name.c_str()); }
};

using namespace pankor::contract;
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, RegistryContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, FileSystemContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, HttpContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, CryptoContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, ProcessesContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, VersionResourceContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, IconsContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, InstanceLockContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, EnvironmentContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, SystemContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, RegistryKeysContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, FileCopyContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, ClockContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, HttpTransferContract, LinuxHost);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, ProgramsContract, LinuxHost);

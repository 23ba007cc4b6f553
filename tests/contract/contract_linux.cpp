// The contract suites against the Linux platform layer.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "ContractSupport.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "platform/linux/LinuxSystem.h"

using namespace pankor;

// The Linux services, with a folder of the test's own for the registry store (below
// XDG_CONFIG_HOME) and the locks (XDG_RUNTIME_DIR), set before they start.
struct LinuxFolders : test::Scratch {
    LinuxFolders() {
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"}) setenv(name, Root().c_str(), 1);
    }
};
struct LinuxHost : LinuxFolders, NativePlatform, Platform {
    LinuxHost() : Platform(NativePlatform::Get()) {}
    ~LinuxHost() { unsetenv(VariableName().c_str()); }

    static std::string SubKey() { return "Software\\Tarnwick\\PankorContract"; }
    static void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
        const timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
    static std::int64_t UtcNow() { return std::time(nullptr); }
    static std::int64_t UtcOffsetSeconds() {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        return localtime_r(&now, &tm)->tm_gmtoff;
    }
    PixelSize Desktop() {  // as the windowing host tells the layer once it has a display
        static_cast<LinuxSystem&>(system).SetScreen(144, {2560, 1440});
        return {2560, 1440};
    }
    static std::string OsRelease() { return ReadRaw("/proc/sys/kernel/osrelease").value_or(""); }
    static std::string ProgramName() { return program_invocation_short_name; }
    static bool RunsUnderWine() { return false; }
    static bool Kill(std::uint32_t id) { return kill(static_cast<pid_t>(id), SIGKILL) == 0; }
    // Programs built by the MinGW toolchain, when there is one.
    static std::string Program(const char* name) {
        const std::string path = std::string(CONTRACT_PROGRAM_DIR) + "/" + name + ".exe";
        return std::filesystem::exists(path) ? path : std::string();
    }
    static std::vector<std::string> VersionPrograms() {  // the product is a 32-bit program
        return {Program("i686_version"), Program("x86_64_version")};
    }
    static std::string IconProgram() { return Program("x86_64_icon"); }
    static std::string PlainProgram() { return Program("x86_64_plain"); }
    static std::string ArgsProgram() { return ARGS_PROGRAM; }
    static std::string PlatformProgram() { return PLATFORM_PROGRAM; }
    static std::unique_ptr<IInstanceLock> MakeLock() { return std::make_unique<LinuxInstanceLock>(); }
    static std::string LockName(int n) { return "Local\\Pankor.Contract." + std::to_string(n); }
    static std::string BadLockName() { return std::string(300, 'x'); }  // longer than a file name may be
    static std::string VariableName() { return "PANKOR_CONTRACT_" + std::to_string(getpid()); }
    static void SetVariable(const std::string& name, const std::string& value) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    static void UnsetVariable(const std::string& name) { unsetenv(name.c_str()); }
};

using ContractHosts = ::testing::Types<LinuxHost>;

#include "AllSuites.h"

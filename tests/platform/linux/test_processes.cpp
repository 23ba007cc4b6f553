// Running programs on the Linux host: Windows programs started by Wine, and
// an app the rows must show as running.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "ContractSupport.h"
#include "Scratch.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxProcesses.h"
#include "startup/Pankor.h"

using namespace pankor;
using pankor::contract::WaitUntil;
using pankor::test::Scratch;

namespace {

// Starts /bin/sleep under another first argument, as Wine starts a Windows program.
class Sleeper {
public:
    explicit Sleeper(const std::string& argv0) {
        std::string a0 = argv0, secs = "30";
        char* argv[] = {a0.data(), secs.data(), nullptr};
        if (posix_spawn(&pid_, "/bin/sleep", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
    }
    ~Sleeper() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;

private:
    pid_t pid_ = -1;
};

bool Listed(const std::string& name) {
    const auto names = LinuxProcesses().ExecutableNames();
    return names.ok() && std::find(names->begin(), names->end(), name) != names->end();
}

}  // namespace

TEST(LinuxProcesses, WineStartedProgramsAreListedByTheirWindowsFileName) {
    const struct {
        const char* argv0;
        const char* listed;
    } cases[] = {
        {"C:\\users\\ann\\AppData\\Roaming\\Tarnwick\\Clock\\clock-wine.exe", "clock-wine.exe"},
        {"Z:\\opt\\tools\\JOTTER-WINE.EXE", "JOTTER-WINE.EXE"},
        {"/opt/tools/sleepy-wine.exe", "sleepy-wine.exe"},
    };
    for (const auto& c : cases) {
        Sleeper running(c.argv0);
        EXPECT_TRUE(WaitUntil([&] { return Listed(c.listed); })) << c.argv0;
    }
}

TEST(LinuxProcesses, AnInstalledAppFromTheCatalogShowsAsRunning) {
    // The catalog names programs with backslashes: on this host they become slashes.
    Scratch tmp;
    setenv("APPDATA", tmp.Root().c_str(), 1);
    std::filesystem::create_directories(tmp.In("Tarnwick/Clock"));
    std::filesystem::copy_file(std::string(PE_FIXTURE_DIR) + "/x86_64_version.exe",
                               tmp.In("Tarnwick/Clock/clock-pro.exe"));
    NativePlatform native;
    Pankor app(native.Get());
    app.process.DataDir = tmp.In("Pankor");
    std::filesystem::create_directory(app.process.DataDir);
    CatalogApp a;
    a.slug = "clock-pro";
    a.exe = "Tarnwick\\Clock\\clock-pro.exe";
    app.catalog.Apps = {a};
    app.catalog.AppCount = 1;
    EXPECT_TRUE(app.catalog.RefreshInstalled());
    EXPECT_EQ(app.catalog.Apps[0].installed, "65535.32770.32771.65534");
    EXPECT_EQ(app.catalog.AppsJson().find("\"running\":true"), std::string::npos);
    Sleeper running("C:\\Tarnwick\\Clock\\CLOCK-PRO.EXE");
    EXPECT_TRUE(WaitUntil([&] { return app.catalog.AppsJson().find("\"running\":true") != std::string::npos; }));
}

#pragma once
// The application object on the real Linux platform, with folders of the
// test's own for APPDATA, TEMP, the data folder and the registry store, and
// the publisher's kit serving a folder on loopback.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "CountingPump.h"
#include "FakeHost.h"
#include "Scratch.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"

namespace pankor::testing {

// A program started with argv, whose standard output is read line by line;
// killed if it still runs at the end.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~ChildProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    std::string ReadLine() {
        std::string line;
        char c;
        while (read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// A folder of the test's own; name joins a path below it.
class TempFolder : public test::Scratch {
public:
    std::string operator/(const std::string& name) const { return Root() + "/" + name; }
    const std::string& path() const { return Root(); }
};

inline std::string ReadAll(const std::string& path) { return test::Scratch::ReadRaw(path).value_or(""); }

inline void WriteAll(const std::string& path, const std::string& data) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test::Scratch::WriteRaw(path, data);
}

// Polls a condition for up to ten seconds.
template <typename Pred>
bool WaitUntil(Pred pred) {
    for (int i = 0; i < 1000 && !pred(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pred();
}

// Sets a variable for the object's life.
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

// Bytes of every value in an order a lost or repeated chunk would break.
inline std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 2024;
    for (char& c : data) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return data;
}

class Integration : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;

    Integration() {
        for (const char* folder : {"site", "data", "appdata", "temp", "config"})
            std::filesystem::create_directories(root / folder);
        app.process.DataDir = root / "data";
        app.process.DebugMode = true;
        ui.onCall = [this](const std::string& call) {
            if (call == "refresh") app.catalog.RefreshInstalled();  // as the window's RefreshRows does first
        };
    }

    // Starts `pankor-publish serve` on the site folder; base is its address.
    void Serve(std::vector<std::string> switches = {}) {
        std::vector<std::string> argv{PUBLISH_EXE, "serve", root / "site", "--port", "0"};
        argv.insert(argv.end(), switches.begin(), switches.end());
        server = std::make_unique<ChildProcess>(argv);
        const std::string line = server->ReadLine();
        const std::size_t at = line.find(" at ");
        ASSERT_NE(at, std::string::npos) << line;
        base = line.substr(at + 4);
    }
    void Publish(const std::string& path, const std::string& data) { WriteAll(root / ("site" + path), data); }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const std::string log = ReadAll(root / "data/debug.log");
        for (std::string_view line : SplitLines(log)) lines.emplace_back(line.substr(9));
        return lines;
    }
    CatalogApp& AddApp(const std::string& slug, const std::string& name, const std::string& exe) {
        CatalogApp a;
        a.slug = slug;
        a.name = name;
        a.exe = exe;
        a.installed = "1.0.0.1";
        app.catalog.Apps.push_back(a);
        app.catalog.AppCount = static_cast<int>(app.catalog.Apps.size());
        return app.catalog.Apps.back();
    }
    static std::int64_t MsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    // Windows programs run in a Wine prefix of the tests' own, booted once.
    static bool WineReady() {
        if (std::system("command -v wine >/dev/null 2>&1") != 0) return false;
        const std::string prefix = WINE_PREFIX;
        const std::string boot = "mkdir -p '" + prefix + "' && flock '" + prefix + ".lock' sh -c '[ -f \"" + prefix +
                                 "/system.reg\" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }'";
        return std::system(boot.c_str()) == 0 && std::filesystem::exists(prefix + "/system.reg");
    }
    // A Linux path as Wine's Windows programs name it.
    static std::string WinePath(std::string path) {
        for (char& c : path)
            if (c == '/') c = '\\';
        return "Z:" + path;
    }

    TempFolder root;
    ScopedVariable config{"XDG_CONFIG_HOME", root / "config"};  // the registry store lives below it
    ScopedVariable appData{"APPDATA", root / "appdata"};
    ScopedVariable temp{"TEMP", root / "temp"};
    ScopedVariable winePrefix{"WINEPREFIX", WINE_PREFIX};
    ScopedVariable wineDebug{"WINEDEBUG", "-all"};
    ScopedVariable wineDlls{"WINEDLLOVERRIDES", "mscoree,mshtml="};
    NativePlatform native;
    fakes::CountingPump pump;
    fakes::FakeFolderPicker picker;
    fakes::FakeUpdateUi ui;
    Pankor app{native.Get(), {pump, picker}};
    bool attached = (app.windows.Attach(nullptr, &ui), true);
    std::unique_ptr<ChildProcess> server;
    std::string base;
};

using Lines = std::vector<std::string>;

}  // namespace pankor::testing

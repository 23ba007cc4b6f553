#pragma once
// The application object on the real Linux platform, with folders of the
// test's own for APPDATA, TEMP, the data folder and the registry store, the
// publisher's kit serving a folder on loopback, and real programs to run.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "ContractSupport.h"
#include "CountingPump.h"
#include "FakeHost.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"

namespace pankor::testing {

using contract::Pattern;
using contract::WaitUntil;
using Lines = std::vector<std::string>;

inline std::string ReadAll(const std::string& path) { return test::Scratch::ReadRaw(path).value_or(""); }

// `pankor-publish serve` on a folder, ended with the object; Base() is its address.
class Server {
public:
    Server(const std::string& site, const std::string& switches) {
        // The shell says its process id, then becomes the server, which says where it serves.
        out_ = popen(("echo $$; exec '" PUBLISH_EXE "' serve '" + site + "' --port 0 " + switches).c_str(), "r");
        char at[200] = "";
        if (out_ && std::fscanf(out_, "%d serving %*s at %199s", &pid_, at) == 2) base_ = at;
    }
    ~Server() {
        if (pid_ > 0) kill(pid_, SIGKILL);
        if (out_) pclose(out_);
    }
    const std::string& Base() const { return base_; }

private:
    FILE* out_ = nullptr;
    int pid_ = 0;
    std::string base_;
};

class Integration : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;

    Integration() {
        for (const char* folder : {"site/apps", "data", "appdata", "temp/with blank", "config"})
            std::filesystem::create_directories(In(folder));
        app.process.DataDir = In("data");
        app.process.DebugMode = true;
    }
    ~Integration() override { unsetenv("TEMP"); }  // the next test's scratch folder goes elsewhere
    std::string In(const std::string& name) const { return root.Root() + "/" + name; }

    // Serves the site folder at `base`.
    void Serve(const std::string& switches = "") {
        server.reset();
        server = std::make_unique<Server>(In("site"), switches);
        base = server->Base();
        ASSERT_FALSE(base.empty()) << "the server did not start";
    }
    // The debug log's lines without their time.
    Lines LogLines() const {
        Lines lines;
        const std::string log = ReadAll(In("data/debug.log"));  // outlives the views of its lines
        for (std::string_view line : SplitLines(log)) lines.emplace_back(line.substr(9));
        return lines;
    }
    static std::int64_t MsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    // A copy of the args program (it writes its arguments to args.txt beside
    // itself) in a folder whose path holds a blank, quoted.
    std::string Program(const std::string& from = ARGS_PROGRAM) {
        std::filesystem::copy_file(from, In("temp/with blank/args program.exe"),
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(In("temp/with blank/args.txt"));
        return "\"" + In("temp/with blank/args program.exe") + "\"";
    }
    std::string Recorded() const { return ReadAll(In("temp/with blank/args.txt")); }
    // Windows programs run in a Wine prefix of the tests' own, booted once.
    static bool WineReady() {
        if (std::system("command -v wine >/dev/null 2>&1") != 0) return false;
        const std::string prefix = WINE_PREFIX;
        const std::string boot = "mkdir -p '" + prefix + "' && flock '" + prefix + ".lock' sh -c '[ -f \"" + prefix +
                                 "/system.reg\" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }'";
        return std::system(boot.c_str()) == 0 && std::filesystem::exists(prefix + "/system.reg");
    }

    test::Scratch root;
    bool environment = [this] {  // before the platform reads it
        const std::pair<const char*, std::string> variables[] = {
            {"XDG_CONFIG_HOME", In("config")},  // the registry store lives below it
            {"APPDATA", In("appdata")},
            {"TEMP", In("temp")},
            {"WINEPREFIX", WINE_PREFIX},
            {"WINEDEBUG", "-all"},
            {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
        for (const auto& [name, value] : variables) setenv(name, value.c_str(), 1);
        return true;
    }();
    NativePlatform native;
    fakes::CountingPump pump;
    fakes::FakeFolderPicker picker;
    fakes::FakeUpdateUi ui;
    Pankor app{native.Get(), {pump, picker}};
    bool attached = (app.windows.Attach(nullptr, &ui), true);
    std::unique_ptr<Server> server;
    std::string base;
};

}  // namespace pankor::testing

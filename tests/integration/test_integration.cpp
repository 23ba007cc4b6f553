// Downloads through the application object on the real Linux platform from the publisher's kit over
// real HTTP, with a pump that measures real time.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "ContractSupport.h"
#include "CountingPump.h"
#include "FakeHost.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"

using namespace pankor;
using Lines = std::vector<std::string>;

namespace {

// `pankor-publish serve` on a folder, ended with the object; base is its address.
struct Server {
    Server(const std::string& site, const std::string& switches) {
        // The shell says its process id, then becomes the server, which says where it serves.
        out = popen(("echo $$; exec '" PUBLISH_EXE "' serve '" + site + "' --port 0 " + switches).c_str(), "r");
        char at[200] = "";
        if (out && std::fscanf(out, "%d serving %*s at %199s", &pid, at) == 2) base = at;
    }
    ~Server() {
        if (pid > 0) kill(pid, SIGKILL);
        if (out) pclose(out);
    }
    FILE* out = nullptr;
    int pid = 0;
    std::string base;
};

TEST(Integration, DownloadsArriveWholeOrAreLoggedAndLeaveTheBytesWhileThePumpKeepsRunning) {
    test::Scratch root;
    for (const char* folder : {"site/apps", "data", "appdata", "config"})
        std::filesystem::create_directories(root.In(folder));
    setenv("XDG_CONFIG_HOME", root.In("config").c_str(), 1);  // the registry store lives below it
    setenv("APPDATA", root.In("appdata").c_str(), 1);
    NativePlatform native;
    fakes::CountingPump pump;
    fakes::FakeFolderPicker picker;
    Pankor app{native.Get(), {pump, picker}};
    app.process.DataDir = root.In("data");
    app.process.DebugMode = true;

    const std::string installer = "MZ" + contract::Pattern(900000);  // many reads of a buffer
    test::Scratch::WriteRaw(root.In("site/apps/clock.exe"), installer);
    test::Scratch::WriteRaw(root.In("site/apps/huge.exe"), "MZ" + contract::Pattern(3u << 20));
    const struct {
        const char* path;
        const char* switches;
        std::string logged;  // after "FetchPumping"; nothing for a download that arrives
        bool waits;          // for the whole (shortened) limit
    } cases[] = {{"/apps/clock.exe", "", "", false},
                 {"/apps/none.exe", "", " URL status 404", false},
                 {"/apps/huge.exe", "", " URL too large: more than 1048576 bytes", false},
                 {"/apps/slow.exe", "--hang /apps/slow.exe", " timed out: URL", true}};
    app.update.SetLimitsForTest({2000, kRunLimitMs, 1u << 20});
    for (const auto& c : cases) {
        const Server server(root.In("site"), c.switches);
        const std::string url = server.base + c.path;
        ASSERT_FALSE(server.base.empty()) << "the server did not start";
        std::filesystem::remove(root.In("data/debug.log"));
        pump.calls = 0;
        Bytes bytes{'k', 'e', 'p', 't'};
        const auto start = std::chrono::steady_clock::now();
        const bool arrives = c.logged.empty();
        EXPECT_EQ(app.update.FetchPumping(url, bytes), arrives) << c.path;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_TRUE(contract::Text(bytes) == (arrives ? installer : "kept")) << c.path << ": " << bytes.size();
        std::string logged = c.logged;
        if (!arrives) logged = "FetchPumping" + logged.replace(logged.find("URL"), 3, url);
        const std::string log = test::Scratch::ReadRaw(root.In("data/debug.log")).value_or("");
        Lines seen;  // without their time
        for (std::string_view line : SplitLines(log)) seen.emplace_back(line.substr(9));
        EXPECT_EQ(seen, arrives ? Lines{} : Lines{logged});
        EXPECT_GE(ms.count(), c.waits ? 2000 : 0) << c.path;
        EXPECT_LT(ms.count(), c.waits ? 4000 : 1000) << c.path;
        EXPECT_GE(pump.calls, c.waits ? 2000 / kFetchPollMs : 1) << c.path;
        EXPECT_LE(pump.WorstGapMs(), kFetchPollMs + 100) << c.path;
    }
}

}  // namespace

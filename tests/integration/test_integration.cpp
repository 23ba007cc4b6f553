// Downloads through the application object on the real Linux platform from the publisher's kit over
// real HTTP, with a pump that measures real time. (Reports, programs run and waited for: the contract
// suites' and the end-to-end tests'.)
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

TEST(Integration, DownloadsArriveWholeOrAreLoggedAndLeaveTheBytesWhileThePumpKeepsRunning) {
    test::Scratch root;
    const auto in = [&](const std::string& name) { return root.Root() + "/" + name; };
    for (const char* folder : {"site/apps", "data", "appdata", "config"})
        std::filesystem::create_directories(in(folder));
    setenv("XDG_CONFIG_HOME", in("config").c_str(), 1);  // the registry store lives below it
    setenv("APPDATA", in("appdata").c_str(), 1);
    NativePlatform native;
    fakes::CountingPump pump;
    fakes::FakeFolderPicker picker;
    fakes::FakeUpdateUi ui;
    Pankor app{native.Get(), {pump, picker}};
    app.windows.Attach(nullptr, &ui);
    app.process.DataDir = in("data");
    app.process.DebugMode = true;

    const std::string installer = "MZ" + contract::Pattern(900000);  // many reads of a buffer
    test::Scratch::WriteRaw(in("site/apps/clock.exe"), installer);
    test::Scratch::WriteRaw(in("site/apps/huge.exe"), "MZ" + contract::Pattern(3u << 20));
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
        const Server server(in("site"), c.switches);
        const std::string url = server.Base() + c.path;
        ASSERT_FALSE(server.Base().empty()) << "the server did not start";
        std::filesystem::remove(in("data/debug.log"));
        pump.calls = 0;
        Bytes bytes{'k', 'e', 'p', 't'};
        const auto start = std::chrono::steady_clock::now();
        const bool arrives = c.logged.empty();
        EXPECT_EQ(app.update.FetchPumping(url, bytes), arrives) << c.path;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_TRUE(contract::Text(bytes) == (arrives ? installer : "kept"))
            << c.path << ": " << bytes.size() << " bytes";
        std::string logged = c.logged;
        if (!arrives) logged = "FetchPumping" + logged.replace(logged.find("URL"), 3, url);
        const std::string log = test::Scratch::ReadRaw(in("data/debug.log")).value_or("");
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

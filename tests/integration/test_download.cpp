// Downloads and in-app updates over real HTTP from the publisher's kit.
#include "Integration.h"

using namespace pankor;
using pankor::testing::Integration;
using pankor::testing::Lines;
using pankor::testing::Pattern;
using pankor::testing::ReadAll;

namespace {

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST_F(Integration, ARealDownloadArrivesWholeWhileThePumpRuns) {
    const std::string installer = "MZ" + Pattern(3u << 20);
    Publish("/apps/clock.exe", installer);
    Serve();
    Bytes bytes;
    EXPECT_TRUE(app.update.FetchPumping(base + "/apps/clock.exe", bytes));
    EXPECT_TRUE(Text(bytes) == installer) << bytes.size() << " bytes";
    EXPECT_GE(pump.calls, 1);
    EXPECT_EQ(LogLines(), Lines{});
    const std::string requests = ReadAll(root / "site/reports/requests.jsonl");
    EXPECT_NE(requests.find("\"User-Agent\":\"Pankor/1.0\""), std::string::npos) << requests;
    EXPECT_EQ(requests.find("Cache-Control"), std::string::npos) << requests;
}

TEST_F(Integration, AMissingInstallerIsLoggedWithItsStatusAndLeavesTheBytes) {
    Serve();
    Bytes bytes{'k', 'e', 'p', 't'};
    EXPECT_FALSE(app.update.FetchPumping(base + "/apps/none.exe", bytes));
    EXPECT_EQ(Text(bytes), "kept");
    EXPECT_EQ(LogLines(), Lines{"FetchPumping " + base + "/apps/none.exe status 404"});
}

TEST_F(Integration, AServerThatNeverAnswersIsGivenUpAtTheLimitWhileThePumpKeepsRunning) {
    Serve({"--hang", "/apps/slow.exe"});
    app.update.SetLimitsForTest({2000, kRunLimitMs, kMaxDownloadBytes});
    Bytes bytes;
    const auto start = Clock::now();
    EXPECT_FALSE(app.update.FetchPumping(base + "/apps/slow.exe", bytes));
    const std::int64_t waited = MsSince(start);
    EXPECT_GE(waited, 2000);
    EXPECT_LT(waited, 4000);
    EXPECT_EQ(LogLines(), Lines{"FetchPumping timed out: " + base + "/apps/slow.exe"});
    EXPECT_GE(pump.calls, 2000 / kFetchPollMs);
    EXPECT_LE(pump.WorstGapMs(), kFetchPollMs + 100);
}

TEST_F(Integration, ABodyOverTheCapIsAbandoned) {
    Publish("/apps/huge.exe", "MZ" + Pattern(3u << 20));
    Serve();
    app.update.SetLimitsForTest({kFetchLimitMs, kRunLimitMs, 1u << 20});
    Bytes bytes;
    EXPECT_FALSE(app.update.FetchPumping(base + "/apps/huge.exe", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(LogLines(), Lines{"FetchPumping " + base + "/apps/huge.exe too large: more than 1048576 bytes"});
}

TEST_F(Integration, AnHtmlPageInsteadOfAnInstallerIsRefused) {
    Publish("/apps/clock.exe", "<!DOCTYPE html><html><body>Download Tarnwick Clock</body></html>");
    Serve();
    CatalogApp& clock = AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe");
    clock.url = base + "/apps/clock.exe";
    clock.sha = std::string(64, 'a');
    app.appUpdate.UpdateInApp("clock");
    EXPECT_EQ(LogLines(), (Lines{"in-app update clock <- " + base + "/apps/clock.exe",
                                 "REFUSED clock update: not an MZ image"}));
    EXPECT_EQ(ui.Steps(), (Lines{"busy clock|Downloading Tarnwick Clock...", "failed clock"}));
}

TEST_F(Integration, AnInstallerRunThroughWineInstallsTheNewVersion) {
    const std::string installerFile = std::string(WINDOWS_FIXTURE_DIR) + "/installer.exe";
    if (!std::filesystem::exists(installerFile)) GTEST_SKIP() << "no MinGW toolchain built the installer";
    if (!WineReady()) GTEST_SKIP() << "Wine is not installed";
    const std::string installer = ReadAll(installerFile);
    Publish("/apps/clock-setup.exe", installer);
    Serve();
    const std::string exe = root / "appdata/Tarnwick/Clock/clock.exe";
    pankor::testing::WriteAll(exe, "MZ the old clock");
    const pankor::testing::ScopedVariable target("PANKOR_TEST_INSTALL_TO", WinePath(exe));
    CatalogApp& clock = AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe");
    clock.url = base + "/apps/clock-setup.exe";
    clock.sha = app.hash.KeyedHash(Bytes(installer.begin(), installer.end()), kInstallerHashKey);

    app.appUpdate.UpdateInApp("clock");

    EXPECT_EQ(LogLines(), (Lines{"in-app update clock <- " + base + "/apps/clock-setup.exe",
                                 "in-app update clock hash ok (256-bit, " + std::to_string(installer.size()) +
                                     " bytes)",
                                 "in-app update clock done"}));
    EXPECT_EQ(ui.Steps(), (Lines{"busy clock|Downloading Tarnwick Clock...", "busy clock|Installing Tarnwick Clock...",
                                 "busy clock|", "refresh"}));
    EXPECT_EQ(app.catalog.Apps[0].installed, "2.5.0.7");
    EXPECT_EQ(ReadAll(exe + ".args"), "/VERYSILENT /NORESTART");
    EXPECT_FALSE(std::filesystem::exists(root / "temp/Pankor-app-clock.exe"));
}

}  // namespace

// Downloads, in-app updates and reports over real HTTP to the publisher's
// kit, and programs started for real: waited for, left running, run by Wine.
#include "platform/host/IPageFields.h"
#include "Integration.h"

using namespace pankor;
using pankor::testing::Integration;
using pankor::testing::Lines;
using pankor::testing::Pattern;
using pankor::testing::ReadAll;
using pankor::testing::WaitUntil;

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
    const std::string requests = ReadAll(In("site/reports/requests.jsonl"));
    EXPECT_NE(requests.find("\"User-Agent\":\"Pankor/1.0\""), std::string::npos) << requests;
    EXPECT_EQ(requests.find("Cache-Control"), std::string::npos) << requests;
}

TEST_F(Integration, AFailedDownloadIsLoggedAndLeavesTheBytesWhileThePumpKeepsRunning) {
    Publish("/apps/huge.exe", "MZ" + Pattern(3u << 20));
    const struct {
        const char* path;
        const char* switches;
        std::string logged;  // after "FetchPumping"
        bool waits;          // for the whole (shortened) limit
    } cases[] = {{"/apps/none.exe", "", " URL status 404", false},
                 {"/apps/huge.exe", "", " URL too large: more than 1048576 bytes", false},
                 {"/apps/slow.exe", "--hang /apps/slow.exe", " timed out: URL", true}};
    app.update.SetLimitsForTest({2000, kRunLimitMs, 1u << 20});
    for (const auto& c : cases) {
        Serve(c.switches);
        std::filesystem::remove(In("data/debug.log"));
        pump.calls = 0;
        Bytes bytes{'k', 'e', 'p', 't'};
        const auto start = Clock::now();
        EXPECT_FALSE(app.update.FetchPumping(base + c.path, bytes));
        EXPECT_EQ(Text(bytes), "kept") << c.path;
        std::string logged = c.logged;
        logged.replace(logged.find("URL"), 3, base + c.path);
        EXPECT_EQ(LogLines(), Lines{"FetchPumping" + logged});
        EXPECT_GE(MsSince(start), c.waits ? 2000 : 0) << c.path;
        EXPECT_LT(MsSince(start), c.waits ? 4000 : 1000) << c.path;
        EXPECT_GE(pump.calls, c.waits ? 2000 / kFetchPollMs : 1) << c.path;
        EXPECT_LE(pump.WorstGapMs(), kFetchPollMs + 100) << c.path;
    }
}

TEST_F(Integration, AnHtmlPageInsteadOfAnInstallerIsRefused) {
    Publish("/apps/clock.exe", "<!DOCTYPE html><html><body>Download Tarnwick Clock</body></html>");
    Serve();
    CatalogApp& clock = AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe");
    clock.url = base + "/apps/clock.exe";
    clock.sha = std::string(64, 'a');
    app.appUpdate.UpdateInApp("clock");
    EXPECT_EQ(LogLines(),
              (Lines{"in-app update clock <- " + base + "/apps/clock.exe", "REFUSED clock update: not an MZ image"}));
    EXPECT_EQ(ui.Steps(), (Lines{"busy clock|Downloading Tarnwick Clock...", "failed clock"}));
}

TEST_F(Integration, AnInstallerRunThroughWineInstallsTheNewVersion) {
    const std::string installerFile = std::string(WINDOWS_FIXTURE_DIR) + "/installer.exe";
    if (!std::filesystem::exists(installerFile)) GTEST_SKIP() << "no MinGW toolchain built the installer";
    if (!WineReady()) GTEST_SKIP() << "Wine is not installed";
    const std::string installer = ReadAll(installerFile);
    Publish("/apps/clock-setup.exe", installer);
    Serve();
    const std::string exe = In("appdata/Tarnwick/Clock/clock.exe");
    pankor::testing::WriteAll(exe, "MZ the old clock");
    setenv("PANKOR_TEST_INSTALL_TO", ("Z:" + exe).c_str(), 1);  // Wine reads / as \ too
    CatalogApp& clock = AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe");
    clock.url = base + "/apps/clock-setup.exe";
    clock.sha = app.hash.KeyedHash(Bytes(installer.begin(), installer.end()), kInstallerHashKey);

    app.appUpdate.UpdateInApp("clock");

    EXPECT_EQ(LogLines(),
              (Lines{"in-app update clock <- " + base + "/apps/clock-setup.exe",
                     "in-app update clock hash ok (256-bit, " + std::to_string(installer.size()) + " bytes)",
                     "in-app update clock done"}));
    EXPECT_EQ(ui.Steps(), (Lines{"busy clock|Downloading Tarnwick Clock...", "busy clock|Installing Tarnwick Clock...",
                                 "busy clock|", "refresh"}));
    EXPECT_EQ(app.catalog.Apps[0].installed, "2.5.0.7");
    EXPECT_EQ(ReadAll(exe + ".args"), "/VERYSILENT /NORESTART");
    EXPECT_FALSE(std::filesystem::exists(In("temp/Pankor-app-clock.exe")));
}

// The last report the server recorded in reports/FILE: its two headers, then
// its body's member names in order, or why there is none.
Lines LastReport(modJson& json, const std::string& file) {
    const std::string text = ReadAll(file);
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty()) return {"no report"};
    const JsonValue line = json.JsonParse(lines.back());
    const JsonValue headers = JsonObj(line, "headers"), body = json.JsonParse(JsonStr(line, "body"));
    Lines seen{JsonStr(headers, "Content-Type"), JsonStr(headers, "User-Agent")};
    if (body.kind() != JsonValue::Kind::Object) return {"a body that is no object: " + JsonStr(line, "body")};
    for (const auto& [name, value] : std::get<std::shared_ptr<JsonObject>>(body.data)->Members()) seen.push_back(name);
    return seen;
}

// The report form as the user filled it in.
struct PageFields : IPageFields {
    std::map<std::string, std::string> values;
    Result<std::string> ElementValue(const std::string& id) noexcept override {
        const auto it = values.find(id);
        return it == values.end() ? Result<std::string>::Fail("no such element") : Result<std::string>::Of(it->second);
    }
};

TEST_F(Integration, ReportsArriveWithTheirHeadersAndMembersAndOnlyAnAcceptedOneCounts) {
    std::string why;
    PageFields page;
    page.values = {{"isApp", "clock"}, {"isText", "It stops at midnight."}, {"isContact", "ann@example.com"}};
    const Lines environment{"os", "screen", "scale", "lang", "pankor", "wine", "source", "removed", "apps"};
    Lines usage{"application/json", "Pankor/1.0", "v"},
        issue{"application/json", "Pankor/1.0", "v", "app", "kind", "contact", "text"};
    usage.insert(usage.end(), environment.begin(), environment.end());
    issue.insert(issue.end(), environment.begin(), environment.end());
    const struct {
        const char* switches;
        bool accepted;
        std::string sentence;  // for the issue report
    } cases[] = {
        {"", true, "Sent - thank you. I read all of these."},
        {"--issue-limit 0 --status /telemetry.php=429", false, "That's a few in quick succession - try again shortly."},
        {"--status /issue.php=500 --status /telemetry.php=500", false,
         "Couldn't reach 127.0.0.1. Try again when you're online."}};
    for (const auto& c : cases) {
        Serve(c.switches);
        std::filesystem::remove_all(In("site/reports"));
        std::filesystem::remove(app.telemetry.TelemetryPath());
        ASSERT_TRUE(app.catalog.UsePublisher(base, why)) << why;
        app.telemetry.SetConsent(true);
        app.telemetry.SendTelemetryIfDue();
        std::string message;
        EXPECT_EQ(app.issue.SubmitIssue(page, message), c.accepted) << c.sentence;
        EXPECT_EQ(message, c.sentence);
        EXPECT_EQ(app.file.IniRead(app.telemetry.TelemetryPath(), "lastsent", "") != "", c.accepted) << c.sentence;
        EXPECT_EQ(LastReport(app.json, In("site/reports/telemetry.jsonl")), c.accepted ? usage : Lines{"no report"});
        EXPECT_EQ(LastReport(app.json, In("site/reports/issue.jsonl")), c.accepted ? issue : Lines{"no report"});
    }
}

TEST_F(Integration, AProgramThatEndsAtOnceIsWaitedForAMomentOnlyAndAWindowsOneRunsThroughWine) {
    const std::string windowsProgram = std::string(WINDOWS_FIXTURE_DIR) + "/args_program.exe";
    const bool wine = std::filesystem::exists(windowsProgram) && WineReady();
    for (const std::string& from : {std::string(ARGS_PROGRAM), wine ? windowsProgram : std::string()}) {
        if (from.empty()) continue;  // no MinGW toolchain or no Wine
        const std::string program = Program(from);
        const auto start = Clock::now();
        EXPECT_TRUE(app.update.RunAndWait(program + " /VERYSILENT \"two words\""));
        EXPECT_LT(MsSince(start), from == ARGS_PROGRAM ? 1000 : 20000);
        EXPECT_EQ(Recorded(), "/VERYSILENT\ntwo words\n") << from;
    }
    EXPECT_EQ(LogLines(), Lines{});
}

TEST_F(Integration, AProgramThatOutlivesTheLimitIsLeftRunning) {
    const std::string program = Program();
    app.update.SetLimitsForTest({kFetchLimitMs, 1000, kMaxDownloadBytes});
    const auto start = Clock::now();
    EXPECT_TRUE(app.update.RunAndWait(program + " wait=3000"));
    EXPECT_GE(MsSince(start), 1000);
    EXPECT_LT(MsSince(start), 2500);
    EXPECT_GE(pump.calls, 1000 / kRunPollMs - 1);
    EXPECT_LE(pump.WorstGapMs(), kRunPollMs + 100);
    EXPECT_EQ(Recorded(), "");                                            // still running
    EXPECT_TRUE(WaitUntil([&] { return Recorded() == "wait=3000\n"; }));  // and it ran to its end
}

}  // namespace

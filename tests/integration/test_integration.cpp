// Downloads and reports over real HTTP to the publisher's kit, and programs
// started for real: waited for, left running, run by Wine. (The in-app update
// through a Windows installer is the Wine end-to-end test's.)
#include "Integration.h"
#include "platform/host/IPageFields.h"

using namespace pankor;
using pankor::testing::Integration;
using pankor::testing::Lines;
using pankor::testing::ReadAll;

namespace {

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST_F(Integration, DownloadsArriveWholeOrAreLoggedAndLeaveTheBytesWhileThePumpKeepsRunning) {
    const std::string installer = "MZ" + pankor::testing::Pattern(900000);  // many reads of a buffer
    test::Scratch::WriteRaw(In("site/apps/clock.exe"), installer);
    test::Scratch::WriteRaw(In("site/apps/huge.exe"), "MZ" + pankor::testing::Pattern(3u << 20));
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
        Serve(c.switches);
        std::filesystem::remove(In("data/debug.log"));
        pump.calls = 0;
        Bytes bytes{'k', 'e', 'p', 't'};
        const auto start = Clock::now();
        const bool arrives = c.logged.empty();
        EXPECT_EQ(app.update.FetchPumping(base + c.path, bytes), arrives) << c.path;
        EXPECT_TRUE(Text(bytes) == (arrives ? installer : "kept")) << c.path << ": " << bytes.size() << " bytes";
        std::string logged = c.logged;
        if (!arrives) logged = "FetchPumping" + logged.replace(logged.find("URL"), 3, base + c.path);
        EXPECT_EQ(LogLines(), arrives ? Lines{} : Lines{logged});
        EXPECT_GE(MsSince(start), c.waits ? 2000 : 0) << c.path;
        EXPECT_LT(MsSince(start), c.waits ? 4000 : 1000) << c.path;
        EXPECT_GE(pump.calls, c.waits ? 2000 / kFetchPollMs : 1) << c.path;
        EXPECT_LE(pump.WorstGapMs(), kFetchPollMs + 100) << c.path;
    }
    const std::string requests = ReadAll(In("site/reports/requests.jsonl"));
    EXPECT_NE(requests.find("\"User-Agent\":\"Pankor/1.0\""), std::string::npos) << requests;
    EXPECT_EQ(requests.find("Cache-Control"), std::string::npos) << requests;
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
    std::map<std::string, std::string> values{
        {"isApp", "clock"}, {"isText", "It stops at midnight."}, {"isContact", "ann@example.com"}};
    Result<std::string> ElementValue(const std::string& id) noexcept override {
        const auto it = values.find(id);
        return it == values.end() ? Result<std::string>::Fail("no such element") : Result<std::string>::Of(it->second);
    }
};

TEST_F(Integration, ReportsArriveWithTheirHeadersAndMembersAndOnlyAnAcceptedOneCounts) {
    std::string why;
    PageFields page;
    const Lines environment{"os", "screen", "scale", "lang", "pankor", "wine", "source", "removed", "apps"};
    Lines usage{"application/json", "Pankor/1.0", "v"},
        issue{"application/json", "Pankor/1.0", "v", "app", "kind", "contact", "text"};
    usage.insert(usage.end(), environment.begin(), environment.end());
    issue.insert(issue.end(), environment.begin(), environment.end());
    const std::pair<const char*, const char*> cases[] = {
        // switches, the sentence for the issue report
        {"", "Sent - thank you. I read all of these."},
        {"--issue-limit 0 --status /telemetry.php=429", "That's a few in quick succession - try again shortly."},
        {"--status /issue.php=500 --status /telemetry.php=500",
         "Couldn't reach 127.0.0.1. Try again when you're online."}};
    for (const auto& [switches, sentence] : cases) {
        const bool accepted = *switches == '\0';
        Serve(switches);
        std::filesystem::remove_all(In("site/reports"));
        std::filesystem::remove(app.telemetry.TelemetryPath());
        ASSERT_TRUE(app.catalog.UsePublisher(base, why)) << why;
        app.telemetry.SetConsent(true);
        app.telemetry.SendTelemetryIfDue();
        std::string message;
        EXPECT_EQ(app.issue.SubmitIssue(page, message), accepted) << sentence;
        EXPECT_EQ(message, sentence);
        EXPECT_EQ(app.file.IniRead(app.telemetry.TelemetryPath(), "lastsent", "") != "", accepted) << sentence;
        EXPECT_EQ(LastReport(app.json, In("site/reports/telemetry.jsonl")), accepted ? usage : Lines{"no report"});
        EXPECT_EQ(LastReport(app.json, In("site/reports/issue.jsonl")), accepted ? issue : Lines{"no report"});
    }
}

TEST_F(Integration, AProgramThatEndsAtOnceIsWaitedForAMomentOnlyAndAWindowsOneRunsThroughWine) {
    const std::string windowsProgram = std::string(WINDOWS_FIXTURE_DIR) + "/args_program.exe";
    const bool wine = std::filesystem::exists(windowsProgram) && WineReady();
    for (const std::string& from : {std::string(ARGS_PROGRAM), wine ? windowsProgram : std::string()}) {
        if (from.empty()) continue;  // no MinGW toolchain or no Wine
        const auto start = Clock::now();
        EXPECT_TRUE(app.update.RunAndWait(Program(from) + " /VERYSILENT \"two words\""));
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
    EXPECT_EQ(Recorded(), "");  // still running, and then it ran to its end
    EXPECT_TRUE(pankor::testing::WaitUntil([&] { return Recorded() == "wait=3000\n"; }));
}

}  // namespace

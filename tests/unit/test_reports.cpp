// What the manager tells: the daily telemetry report, issue reports, balloons about updates and new games.
#include "Fixture.h"

namespace {

class ReportTest : public AppTest {
protected:
    ReportTest() { Set("consent", "1"); }
    void Set(const std::string& key, const std::string& value) { app.file.IniWrite(Ini(), key, value); }
    std::string Ini() const { return app.telemetry.TelemetryPath(); }
    void Answer(int status, const std::string& path) { fake.http.Serve(std::string(kBase) + path, "", status); }
    CatalogApp& Offer(const std::string& slug, const std::string& installed, const std::string& latest,
                      const std::string& kind = "") {
        CatalogApp& a = AddApp(slug, std::string(1, static_cast<char>(slug[0] - 32)) + slug.substr(1), "", installed);
        std::tie(a.latest, a.kind) = std::tie(latest, kind);
        return a;
    }
};

}  // namespace

TEST_F(ReportTest, ConsentIsMinusOneUntilAnsweredThenTheNearestWholeNumber) {
    const std::pair<const char*, int> cases[] = {{"1", 1}, {"0", 0}, {"", -1}, {"yes", 0}, {" 1 ", 1}, {"2.5", 2}};
    for (const auto& [text, state] : cases) {
        Set("consent", text);
        EXPECT_EQ(app.telemetry.ConsentState(), state) << text;
    }
}

TEST_F(ReportTest, TheDocumentIsByteExactForAFixedMachine) {
    AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe", "2.0.0.1");
    AddApp("jotter", "Jotter", "Tarnwick\\Jotter\\jotter.exe", "");  // not installed: not listed
    AddApp("solo", "Solo \"1\"", "solo.exe", "1.0");                 // no folder part: the name's folder
    fake.registry.values["hkcu\\control panel\\international\\localename"] = "de-DE";
    fake.registry.values["hkcu\\software\\tarnwick\\pankor\\source"] = "mag\\cd";
    fake.registry.values["hkcu\\software\\microsoft\\windows\\currentversion\\run\\tarnwick clock"] = "x";
    fake.processes.names = {"CLOCK.EXE"};
    fake.fs.created[std::string(kAppData) + "\\Tarnwick"] = {2031, 5, 1, 9, 0, 0};
    fake.fs.folders.insert({std::string(kAppData) + "\\Tarnwick", std::string(kAppData) + "\\Solo \"1\""});
    fake.fs.files[std::string(kAppData) + "\\Solo \"1\"\\options.ini"] = "Skin=Night\r\n";
    fake.system.dpi = 144;
    Set("seen", "clock gone");
    EXPECT_EQ(app.telemetry.TelemetryJson(),
              "{\"v\":1,\"os\":\"10.0.19045\",\"screen\":\"1920x1080\",\"scale\":150,\"lang\":\"de-DE\",\"pankor\":\"" +
                  CompiledVersion() +
                  "\",\"wine\":false,\"source\":\"mag\\\\cd\",\"removed\":\"gone\",\"apps\":["
                  "{\"slug\":\"clock\",\"version\":\"2.0.0.1\",\"autostart\":true,\"running\":true,\"ageDays\":5,"
                  "\"skin\":\"\"},"
                  "{\"slug\":\"solo\",\"version\":\"1.0\",\"autostart\":false,\"running\":false,\"ageDays\":0,"
                  "\"skin\":\"Night\"}]}");
    fake.registry.values.clear();
    EXPECT_NE(app.telemetry.TelemetryJson().find("\"lang\":\"unknown\""), std::string::npos);
    // Removed: seen at the last report, whole words, and not installed now.
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"CLOCK  old so", "old so"}, {" tetris clock chess solo ", "tetris chess"}};
    for (const auto& [seen, removed] : cases) {
        Set("seen", seen);
        EXPECT_EQ(app.telemetry.RemovedSlugs(), removed) << seen;
    }
}

TEST_F(ReportTest, OneReportADayOnlyWithConsentAndARetryAfterAFailure) {
    AddApp("clock", "Clock", "T\\clock.exe", "1.0");
    Set("consent", "0");
    Answer(200, "/telemetry.php");
    app.telemetry.SendTelemetryIfDue();
    EXPECT_TRUE(fake.http.requests.empty());

    Set("consent", "1");
    Answer(500, "/telemetry.php");
    app.telemetry.SendTelemetryIfDue();  // rejected: stores nothing
    Answer(200, "/telemetry.php");
    app.telemetry.SendTelemetryIfDue();  // the same day, after a failure: again
    app.telemetry.SendTelemetryIfDue();  // accepted today: not again
    ASSERT_EQ(fake.http.requests.size(), 2u);
    EXPECT_EQ(File(Ini()), "consent=1\r\nlastsent=2031-05-06\r\nseen=clock\r\n");
    EXPECT_EQ(Asked(fake.http.requests[1]),
              "POST https://tarnwick.test/telemetry.php Content-Type=application/json User-Agent=Pankor/1.0 "
              "5000 5000 5000 8000 max=0");

    fake.system.now.day = 7;
    fake.http.answers.clear();  // unreachable
    app.telemetry.SendTelemetryIfDue();
    EXPECT_NE(File(Ini()).find("lastsent=2031-05-06"), std::string::npos);
    EXPECT_EQ(LogText(),
              "telemetry POST status=500\ntelemetry POST status=200\n"
              "telemetry post failed: The server name or address could not be resolved\n");
}

TEST_F(ReportTest, AnIssueReportNeedsTenCharactersAndIsCutAndEscaped) {
    fakes::FakeBrowser page;
    page.document = true;
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        {"feature", "  123456789  ", false, "Tell me a bit more about what you'd like it to do first."},
        {"bug", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", false,
         "Tell me a bit more about what happened first."},  // characters, not bytes
        {"Feature ", "1234567890", true, "Sent - thank you. I read every one of these."},
    };
    Answer(200, "/issue.php");
    for (const auto& [kind, text, ok, sentence] : cases) {
        page.fields = {{"isApp", "clock"}, {"isText", text}, {"isKind", kind}};
        std::string message;
        EXPECT_EQ(app.issue.SubmitIssue(page, message), ok) << text;
        EXPECT_EQ(message, sentence) << text;
    }
    ASSERT_EQ(fake.http.requests.size(), 1u);  // short texts send nothing
    EXPECT_NE(fake.http.requests[0].body.find("\"kind\":\"feature\""), std::string::npos);

    page.fields = {{"isApp", "cl\"ock"},
                   {"isContact", std::string(250, 'c')},
                   {"isText", "Line \"one\"\r\nback\\slash\t" + std::string(5000, 'x')}};
    std::string message;
    EXPECT_TRUE(app.issue.SubmitIssue(page, message));
    const HttpRequest& r = fake.http.requests.back();
    EXPECT_EQ(Asked(r),
              "POST https://tarnwick.test/issue.php Content-Type=application/json User-Agent=Pankor/1.0 "
              "6000 6000 6000 15000 max=0");
    const std::string head = "{\"v\":1,\"app\":\"cl\\\"ock\",\"kind\":\"problem\",\"contact\":\"" +
                             std::string(200, 'c') + "\",\"text\":\"Line \\\"one\\\"\\nback\\\\slash\\t";
    EXPECT_EQ(r.body.substr(0, head.size()), head);
    EXPECT_NE(r.body.find(std::string(3977, 'x') + "\",\"os\":"), std::string::npos);  // 4000 characters in all
    EXPECT_EQ(r.body.find(std::string(3978, 'x')), std::string::npos);

    // A missing field reads as empty.
    page.fields = {{"isText", "It crashed on start"}};
    ClearLog();
    for (const auto& [status, sentence] :
         {std::pair(429, "That's a few in quick succession - try again shortly."),
          std::pair(204, "Couldn't reach tarnwick.test. Try again when you're online.")}) {
        Answer(status, "/issue.php");
        EXPECT_FALSE(app.issue.SubmitIssue(page, message));
        EXPECT_EQ(message, sentence) << status;
    }
    fake.http.answers.clear();  // no answer at all
    EXPECT_FALSE(app.issue.SubmitIssue(page, message));
    EXPECT_EQ(message, "Something went wrong sending that.");
    EXPECT_EQ(LogText(),
              "issue POST status=429\nissue POST status=204\n"
              "SubmitIssue error: The server name or address could not be resolved\n");
}

TEST_F(ReportTest, TheUpdateBalloonTellsOfOneTwoThreeOrManyUpdatesOnce) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {1, "Update available", "Alpha 2.0 is available."},
        {3, "Updates available", "Alpha, Beta, Gamma have updates waiting."},
        {4, "Updates available", "4 of your Tarnwick apps have updates waiting."},
    };
    Offer("zeta", "", "9.0");    // not installed: never pending
    Offer("eta", "3.0", "3.0");  // up to date
    const char* slugs[] = {"alpha", "beta", "gamma", "delta"};
    int offered = 0;
    for (const auto& [pending, heading, body] : cases) {
        for (; offered < pending; ++offered)
            Offer(slugs[offered], "1.0", "2.0", offered == 1 ? "game" : "");  // games too
        ui.calls.clear();
        app.notify.NotifyUpdates();
        EXPECT_EQ(ui.calls, (Lines{std::string("balloon ") + heading + "|" + body + "|apps", "flash"}));
    }
    ClearLog();
    ui.calls.clear();
    app.notify.NotifyUpdates();                                                 // the same set again
    for (std::size_t i = 2; i < 5; ++i) app.catalog.Apps[i].installed = "2.0";  // a new situation for the rest
    app.notify.NotifyUpdates();
    EXPECT_EQ(ui.calls, (Lines{"balloon Update available|Delta 2.0 is available.|apps", "flash"}));
    app.catalog.Apps[5].installed = "2.0";
    app.notify.NotifyUpdates();
    app.notify.NotifyUpdates();  // nothing to clear twice
    EXPECT_NE(State().find("notified=\r\n"), std::string::npos);
    EXPECT_EQ(LogLines(), (Lines{"notify: already told them about alpha:2.0|beta:2.0|gamma:2.0|delta:2.0|",
                                 "notify: balloon for delta:2.0|", "notify: nothing pending, cleared"}));
}

TEST_F(ReportTest, TheFirstRunAndTheSettingKeepBothBalloonsQuietAndStoreNothing) {
    Offer("alpha", "1.0", "2.0");
    Offer("chess", "", "1.0", "game");
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"", "1", "notify: skipped, first run", "notify: toy box skipped, first run"},
        {"1", "0", "notify: suppressed by setting", "notify: toy box suppressed by setting"},
    };
    for (const auto& [consent, notify, updateLine, toyLine] : cases) {
        Set("consent", consent);
        fake.fs.files[app.catalog.StatePath()] = std::string("notify=") + notify + "\r\n";
        ClearLog();
        app.notify.NotifyUpdates();
        app.notify.NotifyToyBox();
        EXPECT_TRUE(ui.calls.empty());
        EXPECT_EQ(State(), std::string("notify=") + notify + "\r\n") << consent;  // nothing stored
        EXPECT_EQ(LogLines(), (Lines{updateLine, toyLine}));
    }
    app.notify.SetNotifyEnabled(true);
    EXPECT_TRUE(app.notify.NotifyEnabled());
}

TEST_F(ReportTest, NewGamesAreAnnouncedOnceByWholeSlug) {
    fake.fs.files[app.catalog.StatePath()] = "toyboxtold=chess-pro golf\r\n";
    Offer("darts", "1.0", "1.0", "game");  // installed: told silently
    app.notify.NotifyToyBox();
    EXPECT_TRUE(ui.calls.empty());
    Offer("chess", "", "1.0", "game").desc = "\xC3\x89tude pieces in a Box";
    Offer("golf", "", "1.0", "game");
    Offer("clock", "", "1.0");  // an app, not a game
    app.notify.NotifyToyBox();
    EXPECT_EQ(
        ui.calls,
        Lines{"balloon New in the Toy box|Chess - \xC3\xA9tude pieces in a Box. It's free - have a look.|toybox"});
    EXPECT_EQ(State(), "toyboxtold=chess-pro golf darts chess\r\n");
    app.notify.NotifyToyBox();
    Offer("pool", "", "1.0", "game");
    Offer("snooker", "", "1.0", "game");
    app.notify.NotifyToyBox();
    EXPECT_EQ(ui.calls.size(), 2u);
    EXPECT_EQ(ui.calls.back(), "balloon New in the Toy box|2 new games are waiting in the Toy box.|toybox");
    EXPECT_TRUE(Logged("notify: toy box balloon for pool snooker"));
    Offer("go", "", "1.0", "game");
    app.notify.NotifyToyBox();
    EXPECT_EQ(ui.calls.back(), "balloon New in the Toy box|Go - . It's free - have a look.|toybox");
}

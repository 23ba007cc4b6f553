#include "FakePageFields.h"
#include "Fixture.h"

using namespace pankor;

namespace {

constexpr const char* kAppData = "C:\\Users\\ann\\AppData\\Roaming";

class TelemetryTest : public pankor::testing::AppTest {
protected:
    TelemetryTest() {
        fake.system.commandLine = "/publisher=https://tarnwick.test";
        app.catalog.ConfigurePublisher();
        Consent("1");
    }
    void Consent(const std::string& value) { Set("consent", value); }
    void Set(const std::string& key, const std::string& value) { app.file.IniWrite(Ini(), key, value); }
    std::string Ini() const { return app.telemetry.TelemetryPath(); }
    void Add(const std::string& slug, const std::string& name, const std::string& exe, const std::string& installed) {
        CatalogApp a;
        a.slug = slug;
        a.name = name;
        a.exe = exe;
        a.installed = installed;
        app.catalog.Apps.push_back(a);
        app.catalog.AppCount = static_cast<int>(app.catalog.Apps.size());
    }
    void Answer(int status, const std::string& path = "/telemetry.php") {
        fake.http.Serve("https://tarnwick.test" + path, "", status);
    }
};

}  // namespace

TEST_F(TelemetryTest, ConsentIsMinusOneUntilAnsweredThenTheNearestWholeNumber) {
    const std::pair<const char*, int> cases[] = {{"1", 1}, {"0", 0}, {"", -1}, {"yes", 0}, {" 1 ", 1}, {"2.5", 2}};
    for (const auto& [text, state] : cases) {
        Consent(text);
        EXPECT_EQ(app.telemetry.ConsentState(), state) << text;
    }
    fake.fs.files.erase(Ini());
    EXPECT_EQ(app.telemetry.ConsentState(), -1);
    app.telemetry.SetConsent(true);
    EXPECT_EQ(File(Ini()), "consent=1\r\n");
    EXPECT_NE(Log().find("telemetry consent = yes"), std::string::npos);
}

TEST_F(TelemetryTest, TheDocumentIsByteExactForAFixedMachine) {
    Add("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe", "2.0.0.1");
    Add("jotter", "Jotter", "Tarnwick\\Jotter\\jotter.exe", "");  // not installed: not listed
    Add("solo", "Solo \"1\"", "solo.exe", "1.0");                 // no folder part: the name's folder
    fake.registry.values["hkcu\\control panel\\international\\localename"] = "de-DE";
    fake.registry.values["hkcu\\software\\tarnwick\\pankor\\source"] = "mag\\cd";
    fake.registry.values["hkcu\\software\\microsoft\\windows\\currentversion\\run\\tarnwick clock"] = "x";
    fake.processes.names = {"CLOCK.EXE"};
    fake.fs.folders.insert(std::string(kAppData) + "\\Tarnwick");
    fake.fs.created[std::string(kAppData) + "\\Tarnwick"] = {2031, 5, 1, 9, 0, 0};
    fake.fs.folders.insert(std::string(kAppData) + "\\Solo \"1\"");
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
    app.catalog.Apps.clear();
    app.catalog.AppCount = 0;
    fake.registry.values.clear();
    EXPECT_NE(app.telemetry.TelemetryJson().find("\"lang\":\"unknown\""), std::string::npos);
    EXPECT_NE(app.telemetry.TelemetryJson().find("\"apps\":[]}"), std::string::npos);
}

TEST_F(TelemetryTest, RemovedSlugsAreThoseSeenAtTheLastReportAndGoneNow) {
    Add("clock", "Clock", "T\\clock.exe", "1.0");
    Add("jot", "Jot", "T\\jot.exe", "1.0");
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"clock jot", ""}, {"CLOCK  old jo", "old jo"}, {" tetris clock chess ", "tetris chess"}};
    for (const auto& [seen, removed] : cases) {
        Set("seen", seen);
        EXPECT_EQ(app.telemetry.RemovedSlugs(), removed) << seen;
    }
    app.telemetry.SaveSeen();
    EXPECT_NE(File(Ini()).find("seen=clock jot\r\n"), std::string::npos);
}

TEST_F(TelemetryTest, OneReportADayOnlyWithConsentAndARetryAfterAFailure) {
    Add("clock", "Clock", "T\\clock.exe", "1.0");
    Consent("0");
    Answer(200);
    app.telemetry.SendTelemetryIfDue();
    EXPECT_TRUE(fake.http.requests.empty());

    Consent("1");
    Answer(500);
    app.telemetry.SendTelemetryIfDue();
    EXPECT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(File(Ini()).find("lastsent"), std::string::npos);  // a rejected report stores nothing
    EXPECT_NE(Log().find("telemetry POST status=500"), std::string::npos);

    Answer(200);
    app.telemetry.SendTelemetryIfDue();  // the same day, after a failure: again
    app.telemetry.SendTelemetryIfDue();  // accepted today: not again
    ASSERT_EQ(fake.http.requests.size(), 2u);
    EXPECT_EQ(File(Ini()), "consent=1\r\nlastsent=2031-05-06\r\nseen=clock\r\n");
    const HttpRequest& r = fake.http.requests[1];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.url, "https://tarnwick.test/telemetry.php");
    EXPECT_EQ(r.headers, (std::vector<std::pair<std::string, std::string>>{{"Content-Type", "application/json"},
                                                                           {"User-Agent", "Pankor/1.0"}}));
    EXPECT_EQ(std::vector<int>({r.resolveTimeoutMs, r.connectTimeoutMs, r.sendTimeoutMs, r.receiveTimeoutMs}),
              std::vector<int>({5000, 5000, 5000, 8000}));
    EXPECT_EQ(r.body.rfind("{\"v\":1,\"os\":", 0), 0u);

    fake.system.now.day = 7;
    fake.http.answers.clear();  // unreachable
    app.telemetry.SendTelemetryIfDue();
    EXPECT_NE(Log().find("telemetry post failed: The server name or address could not be resolved"), std::string::npos);
    EXPECT_NE(File(Ini()).find("lastsent=2031-05-06"), std::string::npos);
}

TEST_F(TelemetryTest, AnIssueReportNeedsTenCharactersAndIsCutAndEscaped) {
    fakes::FakePageFields page;
    struct Case {
        const char* kind;
        const char* text;
        bool ok;
        const char* message;
    };
    Answer(200, "/issue.php");
    const Case cases[] = {
        {"feature", "  123456789  ", false, "Tell me a bit more about what you'd like it to do first."},
        {"", "123456789", false, "Tell me a bit more about what happened first."},
        {"Feature ", "1234567890", true, "Sent - thank you. I read every one of these."},
        {"bug", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", true,
         "Sent - thank you. I read all of these."},
    };
    for (const Case& c : cases) {
        page.values = {{"isApp", "clock"}, {"isText", c.text}, {"isKind", c.kind}};
        std::string message;
        EXPECT_EQ(app.issue.SubmitIssue(page, message), c.ok) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
    EXPECT_EQ(fake.http.requests.size(), 2u);  // short texts send nothing
    EXPECT_NE(fake.http.requests[0].body.find("\"kind\":\"feature\""), std::string::npos);
    EXPECT_NE(fake.http.requests[1].body.find("\"kind\":\"problem\""), std::string::npos);

    page.values = {{"isApp", "cl\"ock"},
                   {"isContact", std::string(250, 'c')},
                   {"isText", "Line \"one\"\r\nback\\slash\t" + std::string(5000, 'x')}};
    std::string message;
    EXPECT_TRUE(app.issue.SubmitIssue(page, message));
    const HttpRequest& r = fake.http.requests.back();
    EXPECT_EQ(r.url, "https://tarnwick.test/issue.php");
    EXPECT_EQ(std::vector<int>({r.resolveTimeoutMs, r.connectTimeoutMs, r.sendTimeoutMs, r.receiveTimeoutMs}),
              std::vector<int>({6000, 6000, 6000, 15000}));
    const std::string head = "{\"v\":1,\"app\":\"cl\\\"ock\",\"kind\":\"problem\",\"contact\":\"" +
                             std::string(200, 'c') + "\",\"text\":\"Line \\\"one\\\"\\nback\\\\slash\\t";
    EXPECT_EQ(r.body.substr(0, head.size()), head);
    EXPECT_NE(r.body.find(std::string(3977, 'x') + "\",\"os\":"), std::string::npos);  // 4000 characters in all
    EXPECT_EQ(r.body.find(std::string(3978, 'x')), std::string::npos);
}

TEST_F(TelemetryTest, EveryOutcomeOfAnIssueReportHasItsSentence) {
    fakes::FakePageFields page;
    page.values = {{"isText", "It crashed on start"}};
    const std::pair<int, const char*> cases[] = {
        {429, "That's a few in quick succession - try again shortly."},
        {500, "Couldn't reach tarnwick.test. Try again when you're online."},
        {204, "Couldn't reach tarnwick.test. Try again when you're online."},
        {0, "Something went wrong sending that."},  // no answer at all
    };
    for (const auto& [status, sentence] : cases) {
        fake.http.answers.clear();
        if (status != 0) Answer(status, "/issue.php");
        std::string message;
        EXPECT_FALSE(app.issue.SubmitIssue(page, message));
        EXPECT_EQ(message, sentence) << status;
    }
    EXPECT_NE(Log().find("issue POST status=429"), std::string::npos);
    EXPECT_NE(Log().find("SubmitIssue error: The server name or address could not be resolved"), std::string::npos);
    page.document = false;  // no page at all reads as empty fields
    std::string message;
    EXPECT_FALSE(app.issue.SubmitIssue(page, message));
    EXPECT_EQ(message, "Tell me a bit more about what happened first.");
}

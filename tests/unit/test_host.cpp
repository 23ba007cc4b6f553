// The main window and the tray as whole scenarios: statements the page gets,
// log lines, timers on a virtual clock.
#include "WindowsFixture.h"
#include "Publisher.h"
#include "base/Text.h"
#include "core/modJson.h"
#include "startup/Encoders.h"

using namespace pankor;

namespace {

constexpr const char* kAppData = "C:\\Users\\ann\\AppData\\Roaming";

const std::string kCatalog = R"({"serial": 3,
  "apps": [
    {"slug": "clock", "name": "Tarnwick Clock", "exe": "Tarnwick\\clock.exe", "latest": "2.0.0.0",
     "url": "https://tarnwick.test/clock-setup.exe", "sha": "%SHA%", "notes": "https://tarnwick.test/clock/notes"},
    {"slug": "jot", "name": "Jot", "exe": "Jot\\jot.exe", "latest": "1.0"}],
  "games": [{"slug": "chess", "name": "Chess", "desc": "Pieces", "latest": "1.0"}],
  "pankor": {"version": "%SELF%", "url": "https://tarnwick.test/PankorSetup.exe", "sha": "%SELFSHA%"}})";

class MainWindowTest : public pankor::testing::WindowsTest {
protected:
    MainWindowTest() { pankor::testing::TrustTestKeys(app.sign); }

    // The catalog, with the installers' keyed hashes; clock installed at 1.0.
    void Publish(const std::string& selfVersion = "1.0.0.1") {
        fake.http.Serve(std::string(kBase) + "/clock-setup.exe", "MZ clock installer");
        fake.http.Serve(std::string(kBase) + "/PankorSetup.exe", "MZ manager installer");
        std::string text = kCatalog;
        Replace(text, "%SHA%", app.hash.KeyedHash(Body("/clock-setup.exe"), kInstallerHashKey));
        Replace(text, "%SELFSHA%", app.hash.KeyedHash(Body("/PankorSetup.exe"), kInstallerHashKey));
        Replace(text, "%SELF%", selfVersion);
        pankor::testing::PublishCatalog(fake, kBase, text);
        Install("Tarnwick\\clock.exe", 1);
    }
    void Install(const std::string& exe, std::uint32_t major) {
        fake.fs.folders.insert(std::string(kAppData) + "\\" + exe.substr(0, exe.find('\\')));
        fake.fs.files[std::string(kAppData) + "\\" + exe] = "MZ";
        fake.versions.versions[std::string(kAppData) + "\\" + exe] = {major << 16, 0};
    }
    Bytes Body(const std::string& path) { return fake.http.answers[std::string(kBase) + path].body; }
    static void Replace(std::string& s, const std::string& what, const std::string& with) {
        s.replace(s.find(what), what.size(), with);
    }
    void Answered() { fake.fs.files[app.telemetry.TelemetryPath()] = "consent=0\r\n"; }
    // The page functions called, in order.
    static std::vector<std::string> Names(const std::vector<std::string>& statements) {
        std::vector<std::string> out;
        for (const std::string& s : statements) out.push_back(s.substr(10, s.find('(') - 10));
        return out;
    }
    static std::string Line(const char* arg) { return std::string(" /debug /publisher=") + kBase + arg; }
};

}  // namespace

TEST_F(MainWindowTest, AFirstStartEverWelcomesOpensTheTabAndThePanel) {
    Publish();
    Start(Line(" /tab=settings /installed=Clock"));
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.calls.at(1), "place 500,230 920x620");
    EXPECT_EQ(browser.navigations, std::vector<std::string>{"C:\\Apps\\Pankor\\ui\\index.html"});
    EXPECT_TRUE(browser.silent);
    Boot();
    EXPECT_EQ(
        Names(browser.Take()),
        (std::vector<std::string>{"setDpi",        "setStatus",       "setApps",   "setSkins",     "setSelfVersion",
                                  "setSelfUpdate", "setAutostart",    "setNotify", "setTelemetry", "setStatus",
                                  "showWelcome",   "showTabExternal", "setApps",   "setSkins",     "setSelfVersion",
                                  "setSelfUpdate", "setAutostart",    "setNotify", "setTelemetry", "showInstalled"}));
    const std::string log = Log();
    const char* inOrder[] = {
        "ApplyExeIcon big=0 small=0 hwnd=4242",
        "Controls.Add err=0 ",
        "dpi 100% -> window 920x620",
        "Navigate2 -> C:\\Apps\\Pankor\\ui\\index.html err=0",
        "tray icon added=True cbSize=488 setversion=1",
        "ui scaled to 100%",
        "catalog loaded apps=3 skins=0",
        "self=1.0.0.1 catalog=1.0.0.1 newer=False | sanity 1.0.0.12>1.0.0.9=True 1.0.0.9>1.0.0.12=False",
        "first run: welcome shown, autostart=True",
        "command: installed=clock",
        "showed installed panel for clock"};
    std::size_t at = 0;
    for (const char* line : inOrder) {
        const std::size_t found = log.find(std::string(" ") + line + "\r\n", at);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_TRUE(timers.IsEnabled(TimerId::Handoff) && timers.IsEnabled(TimerId::Live) &&
                timers.IsEnabled(TimerId::Poll));
    EXPECT_FALSE(timers.IsEnabled(TimerId::Boot) || timers.IsEnabled(TimerId::Nav));
    EXPECT_EQ(app.process.PendingCommand, "");
}

TEST_F(MainWindowTest, StartedInTheTrayTheWindowStaysHiddenAndAnAnsweredConsentShowsNoWelcome) {
    Publish();
    Answered();
    fake.system.dpi = 144;
    window.screen = {1366, 768};
    Start(Line(" /tray /tab=   "));
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(Logged("started hidden (/tray)"));
    EXPECT_EQ(window.calls.at(1), "place 55,31 1256x706");  // 150 % clamped to 92 % of the screen
    Boot();
    const std::vector<std::string> names = Names(browser.Take());
    EXPECT_EQ(std::count(names.begin(), names.end(), "showWelcome"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "showTabExternal"), 0);  // blanks only
    EXPECT_FALSE(app.probe.AutostartEnabled());  // left alone once the question is answered
}

TEST_F(MainWindowTest, TheWatchdogNavigatesAgainEveryThirdTickAndGivesUpAtTheTwentySixth) {
    Start(Line(""));
    timers.Advance(25 * kNavIntervalMs);
    EXPECT_EQ(browser.navigations.size(), 9u);  // at load and on ticks 3, 6, ... 24
    EXPECT_FALSE(Logged("watchdog gave up, readyState=1 loc="));
    timers.Advance(kNavIntervalMs);
    EXPECT_TRUE(Logged("watchdog gave up, readyState=1 loc="));
    EXPECT_FALSE(timers.IsEnabled(TimerId::Nav));
    browser.Complete();  // a late page still makes it ready
    EXPECT_TRUE(main.PageReady());
}

TEST_F(MainWindowTest, FoundCompleteByTheWatchdogAndThenByTheEventThePageIsReadyOnce) {
    Start(Line(""));
    browser.document = true;
    browser.readyState = 4;
    browser.location = "file:///C:/Apps/Pankor/ui/Index.HTML";
    timers.Advance(kNavIntervalMs);
    browser.Complete();
    EXPECT_TRUE(Logged("watchdog: ready without event"));
    EXPECT_EQ(browser.Take(), std::vector<std::string>{"window.pk.setDpi(100);"});
    timers.Advance(kNavIntervalMs);
    EXPECT_FALSE(timers.IsEnabled(TimerId::Nav));
}

TEST_F(MainWindowTest, EveryCommandUrlIsCancelledSplitDecodedAndDispatched) {
    Publish();
    Answered();
    Start(Line(""));
    Boot();
    browser.Take();
    struct Case {
        const char* url;
        bool cancelled;
        const char* dispatchLine;  // "" when there is none
        const char* effect;        // a log line the command writes, or "" for none
    };
    const Case cases[] = {
        {"app:start?slug=clock", true, "dispatch start arg=clock",
         "starting C:\\Users\\ann\\AppData\\Roaming\\Tarnwick\\clock.exe"},
        {"APP:START?x=jot", true, "dispatch START arg=jot", ""},  // not installed: a status line only
        {"app:open?url=x%3Dy%26z", true, "dispatch open arg=x=y&z", "refused non-http url: x=y&z"},
        {"app:open?u=%zz+b", true, "dispatch open arg=%zz+b", "refused non-http url: %zz+b"},
        {"app:autostart?on=true", true, "dispatch autostart arg=true", "autostart off"},
        {"app:notify?x=0", true, "dispatch notify arg=0", "update notifications = off"},
        {"app:consent?c=1", true, "dispatch consent arg=1", "telemetry consent = yes"},
        {"app:bogus?a=b", true, "dispatch bogus arg=b", ""},
        {"app:ready", true, "dispatch ready arg=", ""},
        {"app:?lonely", true, "dispatch  arg=lonely", ""},
        {"about:blank", false, "", ""},
        {"https://tarnwick.test/", false, "", ""},
    };
    for (const Case& c : cases) {
        fake.fs.files[std::string(kDataDir) + "\\debug.log"].clear();
        EXPECT_EQ(browser.Navigation(c.url), c.cancelled) << c.url;
        const std::string log = Log();
        if (*c.dispatchLine) {
            EXPECT_TRUE(Logged(c.dispatchLine)) << c.url << "\n" << log;
        } else {
            EXPECT_EQ(log, "") << c.url;
        }
        if (*c.effect) {
            EXPECT_TRUE(Logged(c.effect)) << c.url << "\n" << log;
        }
    }
    EXPECT_EQ(fake.processes.started.at(0).commandLine, "\"C:\\Users\\ann\\AppData\\Roaming\\Tarnwick\\clock.exe\"");
    EXPECT_FALSE(fake.processes.started.at(0).hidden);
    browser.Take();
    EXPECT_TRUE(browser.Navigation("app:issue?x=1"));  // the argument is ignored; the form is read
    EXPECT_EQ(
        browser.Take(),
        std::vector<std::string>{"window.pk.setIssueResult(false,\"Tell me a bit more about what happened first.\");"});
    browser.Navigation("app:min");
    browser.Navigation("app:drag");
    EXPECT_TRUE(window.minimised);
    EXPECT_EQ(window.calls.back(), "drag");
}

TEST_F(MainWindowTest, PageCallsAreExactStatementsAndTheirFailuresOneLine) {
    Start(Line(""));
    main.CallJs("setStatus", "\"x\"");  // no document yet: dropped
    EXPECT_TRUE(browser.Take().empty());
    browser.Complete();
    browser.Take();
    main.UiBusy("clock", "Downloading Tarnwick Clock...");
    main.UiUpdateFailed("clock");
    main.SetProgress("clock", 42);
    main.CallJsStr("setStatus", "a\\b \"q\"\r\n\tz");
    main.CallJs("setNotify", "false");
    EXPECT_EQ(browser.Take(), (std::vector<std::string>{
                                  "window.pk.setBusy(\"clock|Downloading Tarnwick Clock...\");",
                                  "window.pk.updateFailed(\"clock\");", "window.pk.setProgress(\"clock\",42);",
                                  "window.pk.setStatus(\"a\\\\b \\\"q\\\"\\n\\tz\");", "window.pk.setNotify(false);"}));
    browser.failingFunctions.insert("setStatus");
    main.CallJsStr("setStatus", "x");
    EXPECT_TRUE(Logged("CallJs setStatus err=Object doesn't support property or method 'setStatus'"));
}

TEST_F(MainWindowTest, HiddenInTheTrayANewerManagerIsStagedAndAppliedWithoutTheUser) {
    Publish("9.0.0.0");
    Answered();
    Start(Line(" /tray"));
    Boot();
    EXPECT_NE(Names(browser.Take()), std::vector<std::string>{});
    EXPECT_TRUE(timers.IsEnabled(TimerId::Stage));
    timers.Advance(kStageIntervalMs);
    EXPECT_TRUE(Logged("auto-staging self-update 9.0.0.0")) << Log();
    EXPECT_TRUE(Logged("hidden in the tray - applying now, not waiting for an exit")) << Log();
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_NE(fake.processes.started[0].commandLine.find(" /VERYSILENT /NORESTART /RELAUNCH=/tray"), std::string::npos);
    EXPECT_TRUE(fake.processes.started[0].hidden);
    EXPECT_FALSE(timers.IsEnabled(TimerId::Stage));
}

TEST_F(MainWindowTest, VisibleTheUpdateWaitsAtReadyUntilTheWindowIsClosed) {
    Publish("9.0.0.0");
    Answered();
    Start(Line(""));
    Boot();
    browser.Take();
    timers.Advance(kStageIntervalMs);
    EXPECT_EQ(browser.Take(), std::vector<std::string>{"window.pk.setSelfUpdateState(\"ready\");"});
    EXPECT_TRUE(fake.processes.started.empty());
    main.PushState();  // staged: only "ready", no second staging
    const std::vector<std::string> names = Names(browser.Take());
    EXPECT_EQ(std::count(names.begin(), names.end(), "setSelfUpdate"), 0);
    EXPECT_FALSE(timers.IsEnabled(TimerId::Stage));
    browser.Navigation("app:close");
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(Logged("window closed with an update staged - applying it"));
    EXPECT_EQ(fake.processes.started.size(), 1u);
}

TEST_F(MainWindowTest, TheSelfUpdateButtonStagesOrFallsBackToTheDownloadPage) {
    Publish("9.0.0.0");
    Answered();
    Start(Line(""));
    Boot();
    timers.Disable(TimerId::Stage);
    fake.http.answers[std::string(kBase) + "/PankorSetup.exe"].body = {'Z', 'M'};
    browser.Take();
    browser.Navigation("app:selfupdate");
    EXPECT_EQ(browser.Take(), (std::vector<std::string>{"window.pk.setSelfUpdateState(\"working\");",
                                                        "window.pk.setSelfUpdateState(\"failed\");"}));
    EXPECT_EQ(fake.processes.opened, std::vector<std::string>{std::string(kBase) + "/PankorSetup.exe"});
    fake.http.answers[std::string(kBase) + "/PankorSetup.exe"].body =
        Bytes{'M', 'Z', ' ', 'm', 'a', 'n', 'a', 'g', 'e', 'r', ' ', 'i', 'n', 's', 't', 'a', 'l', 'l', 'e', 'r'};
    browser.Navigation("app:selfupdate");
    browser.Navigation("app:selfupdate");  // staged already: "ready" at once
    EXPECT_EQ(browser.Take(), (std::vector<std::string>{"window.pk.setSelfUpdateState(\"working\");",
                                                        "window.pk.setSelfUpdateState(\"ready\");",
                                                        "window.pk.setSelfUpdateState(\"ready\");"}));
}

TEST_F(MainWindowTest, ThePollChecksEverySixHoursAndTheLiveCheckOnlySendsChangesToAVisibleWindow) {
    Publish();
    Answered();
    Start(Line(""));
    Boot();
    browser.Take();
    timers.Advance(359LL * kPollIntervalMs);
    EXPECT_FALSE(Logged("periodic check (360 min)"));
    const std::vector<std::string> quiet = Names(browser.Take());
    EXPECT_EQ(std::count(quiet.begin(), quiet.end(), "setApps"), 0);  // nothing changed
    fake.processes.names = {"clock.exe"};                             // the app starts
    timers.Advance(kLiveIntervalMs);
    EXPECT_EQ(Names(browser.Take()), std::vector<std::string>{"setApps"});
    EXPECT_TRUE(Logged("live: apps changed, pushed"));
    window.visible = false;
    fake.processes.names.clear();
    timers.Advance(kPollIntervalMs - kLiveIntervalMs);  // to the 360th minute
    EXPECT_TRUE(Logged("periodic check (360 min)"));
    const std::vector<std::string> check = Names(browser.Take());
    EXPECT_EQ(check.front(), "setStatus");
    main.ShowFromTray("toybox");  // shown again: the rows at once, then the tab
    EXPECT_EQ(browser.Take(), std::vector<std::string>{"window.pk.showTabExternal(\"toybox\");"});
    EXPECT_EQ(window.calls.back(), "flash off");
}

TEST_F(MainWindowTest, TheWatchFollowsTwoChangesAndStopsAfterFortyNineTicks) {
    Publish();
    Answered();
    Start(Line(""));
    Boot();
    browser.Navigation("app:update?s=jot");
    EXPECT_EQ(fake.processes.opened, std::vector<std::string>{"https://tarnwick.test/jot/"});
    browser.Take();
    timers.Advance(10LL * kWatchIntervalMs);
    Install("Jot\\jot.exe", 1);  // the installer from the download page has run
    timers.Advance(kWatchIntervalMs);
    EXPECT_EQ(browser.Take().back(), "window.pk.setStatus(\"Updated 14:03\");");
    timers.Advance(20LL * kWatchIntervalMs);
    Install("Jot\\jot.exe", 2);  // and a second step
    timers.Advance(kWatchIntervalMs);
    EXPECT_EQ(browser.Take().back(), "window.pk.setStatus(\"Updated 14:03\");");
    EXPECT_TRUE(timers.IsEnabled(TimerId::Watch));
    timers.Advance(17LL * kWatchIntervalMs);  // tick 49
    EXPECT_FALSE(timers.IsEnabled(TimerId::Watch));
}

TEST_F(MainWindowTest, BalloonClicksOpenTheirTabAndAnUntargetedOneTheApps) {
    Start(Line(" /tray"));
    browser.Complete();
    browser.Take();
    tray.Balloon(std::string(61, 'h'), std::string(300, 'b'), "toybox");
    EXPECT_EQ(trayIcon.calls.back(), "balloon " + std::string(60, 'h') + "|" + std::string(250, 'b') + "|10000");
    trayIcon.events->OnTrayEvent(kTrayBalloonClicked);
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(browser.Take(), (std::vector<std::string>{"window.pk.setApps(\"[]\");",  // the first rows it sends
                                                        "window.pk.showTabExternal(\"toybox\");"}));
    tray.Balloon("Update available", "Jot 2.0 is available.");
    trayIcon.events->OnTrayEvent(kTrayBalloonClicked);
    EXPECT_EQ(browser.Take(), std::vector<std::string>{"window.pk.showTabExternal(\"apps\");"});
    for (int code : {kTrayLeftButtonUp, kTrayLeftDoubleClick, kTrayRightButtonUp, 0x200}) {
        window.visible = false;
        trayIcon.events->OnTrayEvent(code);
        EXPECT_EQ(window.visible, code != 0x200) << code;
    }
    EXPECT_TRUE(browser.Take().empty());
    EXPECT_TRUE(Logged("balloon clicked"));

    browser.Navigation("app:quit");
    EXPECT_EQ(loop.calls, (std::vector<std::string>{"unload", "end"}));
    tray.RemoveIcon();  // twice is safe
    EXPECT_EQ(std::count(trayIcon.calls.begin(), trayIcon.calls.end(), "remove"), 1);
    EXPECT_TRUE(fake.icons.destroyed.empty());  // the window's own icon is never destroyed
    tray.Balloon("after", "removal");
    EXPECT_EQ(trayIcon.calls.back(), "remove");
}

TEST_F(MainWindowTest, WhileAnUpdateDownloadsARefreshASecondUpdateAndAQuitAreHandledSafely) {
    Publish();
    Answered();
    Install("Jot\\jot.exe", 1);
    Start(Line(""));
    Boot();
    browser.Take();
    fake.http.waitsBeforeAnswer[std::string(kBase) + "/clock-setup.exe"] = 12;
    int pumps = 0;
    pump.onPump = [&] {
        timers.FireDue();
        if (++pumps == 2) browser.Navigation("app:refresh");
        if (pumps == 3) browser.Navigation("app:inupdate?s=jot");
    };
    browser.Navigation("app:inupdate?s=clock");
    EXPECT_TRUE(Logged("refresh skipped: a check or an update is already running"));
    EXPECT_FALSE(Logged("in-app update jot <- "));  // the second update was ignored
    EXPECT_TRUE(Logged("in-app update clock done"));
    const std::vector<std::string> statements = browser.Take();
    const std::vector<std::string> names = Names(statements);
    // 2.4 s of download: at most four progress calls a second, then -1.
    EXPECT_EQ(std::count(names.begin(), names.end(), "setProgress"), 7);
    EXPECT_NE(std::find(statements.begin(), statements.end(), "window.pk.setProgress(\"clock\",-1);"),
              statements.end());
    EXPECT_EQ(std::count(names.begin(), names.end(), "setStatus"), 0);  // no check ran inside
    EXPECT_EQ(app.catalog.AppCount, 3);

    pumps = 0;
    pump.onPump = [&] {
        if (++pumps == 2) browser.Navigation("app:quit");
    };
    browser.Navigation("app:inupdate?s=clock");
    EXPECT_EQ(loop.calls, (std::vector<std::string>{"unload", "end"}));
    EXPECT_FALSE(trayIcon.calls.empty());
    EXPECT_EQ(trayIcon.calls.back(), "remove");
}

TEST_F(MainWindowTest, TextsWithLineSeparatorsAndControlCharactersKeepEveryStatementValid) {
    const std::string hostile =
        "A\xE2\x80\xA8"
        "B\xE2\x80\xA9"
        "C\x01\x1F \"q\" \\ </script>";
    std::string text = kCatalog;
    Replace(text, "Tarnwick Clock", JsonEscape(hostile));
    Replace(text, "Pieces", JsonEscape(hostile));
    Replace(text, "%SELF%", "1.0.0.1");
    pankor::testing::PublishCatalog(fake, kBase, text);
    Answered();
    Start(Line(""));
    Boot();
    main.UiBusy("clock", hostile);
    main.CallJsStr("setStatus", hostile);
    main.CallJsStr("showTabExternal", hostile);
    int hostileArguments = 0;
    for (const std::string& statement : browser.Take()) {
        for (const char c : statement) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << statement;
        EXPECT_EQ(statement.find("\xE2\x80\xA8"), std::string::npos) << statement;
        EXPECT_EQ(statement.find("\xE2\x80\xA9"), std::string::npos) << statement;
        // Every text argument is a JSON string literal that gives the text back.
        const std::size_t open = statement.find("(\"");
        if (open == std::string::npos) continue;
        modJson json;
        const JsonValue v = json.JsonParse("[" + statement.substr(open + 1, statement.size() - open - 3) + "]");
        ASSERT_TRUE(json.JsonOk()) << statement;
        const std::string first = std::get<std::string>(JsonItem(v, 1).data);
        if (first.find(hostile) != std::string::npos) ++hostileArguments;
        if (statement.rfind("window.pk.setApps(", 0) == 0) {
            const JsonValue rows = json.JsonParse(first);
            ASSERT_TRUE(json.JsonOk()) << first;
            EXPECT_EQ(JsonStr(JsonItemObj(rows, 1), "name"), hostile);
        }
    }
    EXPECT_GE(hostileArguments, 3);
}

TEST_F(MainWindowTest, SelfTestSwitchesRunInTheirOrderAndWriteTheirFindings) {
    Publish();
    Answered();
    fake.fs.files["C:\\data\\f.bin"] = "abc";
    fake.http.Serve(std::string(kBase) + "/issue.php", "", 200);
    browser.fields = {{"isApp", "clock"},
                      {"isContact", "selftest@example.com"},
                      {"isText", "SELF TEST - line one.\n\nA \"quoted\" word"}};
    browser.metrics = PageMetrics{{900, 600, 600, 0}, PageMetrics::Box{1200, 500, 500, 40}, std::nullopt};
    Start(
        Line(" testissue testinupdate=jot testskin testmetrics testballoon testselfupdate /testhash C:\\data\\f.bin"));
    Boot();
    const char* inOrder[] = {"selftest read: app=clock contact=selftest@example.com textLen=38",
                             "selftest submit ok=True msg=Sent - thank you. I read all of these.",
                             "HASHTEST file=C:\\data\\f.bin bytes=3",
                             "testinupdate: jot",
                             "METRICS window client=920x620",
                             "METRICS body   scrollH=900 clientH=600 offsetH=600",
                             "METRICS main   scrollH=1200 clientH=500 offsetH=500 scrollTop=40",
                             "balloon rc=1 : Tarnwick updates / Tarnwick Clock 8.1.0.9999 is available. (This is a "
                             "test balloon.)",
                             "SELFUPDATE TEST: self=1.0.0.1 catalog=1.0.0.1",
                             "SELFUPDATE TEST: nothing newer, no-op"};
    const std::string log = Log();
    std::size_t at = 0;
    for (const char* line : inOrder) {
        const std::size_t found = log.find(std::string(" ") + line + "\r\n", at);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_TRUE(Logged("HASHTEST hash=" + app.hash.KeyedHash(Bytes{'a', 'b', 'c'}, kInstallerHashKey)));
    EXPECT_EQ(log.find("METRICS settings"), std::string::npos);  // no such element in this page
    EXPECT_NE(
        std::find_if(browser.statements.begin(), browser.statements.end(),
                     [](const std::string& s) { return s.rfind("var b=document.getElementById('skins')", 0) == 0; }),
        browser.statements.end());
}

TEST_F(MainWindowTest, RequestsOfLaterStartsAreTakenOnceTheHandoffTimerRuns) {
    Publish();
    Answered();
    Start(Line(""));
    fake.fs.files[std::string(kDataDir) + "\\handoff.txt"] = "2031-05-06 14:03:27|installed=jot\r\n";
    timers.Advance(5000);  // the page is not ready: nothing taken
    EXPECT_NE(File(std::string(kDataDir) + "\\handoff.txt"), "<missing>");
    Boot();
    window.visible = false;
    window.minimised = true;
    timers.Advance(kHandoffIntervalMs);
    EXPECT_TRUE(Logged("showed installed panel for jot")) << Log();
    EXPECT_TRUE(window.visible && !window.minimised);
    fake.fs.files[std::string(kDataDir) + "\\handoff.txt"] = "2031-05-06 14:03:27|SHOW\r\n";
    timers.Advance(kHandoffIntervalMs);
    EXPECT_TRUE(Logged("command ignored (unrecognised)"));
}

// The main window and the tray as scenarios on the fakes: the branches the end-to-end tests cannot reach.
#include "Fixture.h"
#include "host/PageContract.h"
#include "host/frmMain.h"
#include "host/frmTray.h"

namespace {

const std::string kCatalog = R"({"serial": 3,
  "apps": [
    {"slug": "clock", "name": "Tarnwick Clock", "exe": "Tarnwick\\clock.exe", "latest": "2.0.0.0",
     "url": "https://tarnwick.test/clock-setup.exe", "sha": "%SHA%", "notes": "https://tarnwick.test/clock/notes"},
    {"slug": "jot", "name": "Jot", "exe": "Jot\\jot.exe", "latest": "1.0"}],
  "games": [{"slug": "chess", "name": "Chess", "desc": "Pieces", "latest": "1.0"}],
  "pankor": {"version": "%SELF%", "url": "https://tarnwick.test/PankorSetup.exe", "sha": "%SELFSHA%"}})";

class MainWindowTest : public AppTest {
protected:
    MainWindowTest() {
        timers.events = &main;
        pump.onPump = [this] { timers.FireDue(); };
        app.windows.Attach(&main, &main);
    }

    // Every page call fits the page contract: a known function, arguments of its types.
    void TearDown() override {
        for (const std::string& s : browser.history) {
            if (s.rfind("window.pk.", 0) != 0) continue;  // a self-test's own script
            const std::size_t open = s.find('(');
            const auto* f = std::ranges::find(kPageFunctions, s.substr(10, open - 10), &PageFunction::name);
            ASSERT_NE(f, std::end(kPageFunctions)) << s;
            const JsonValue args = app.json.JsonParse("[" + s.substr(open + 1, s.size() - open - 3) + "]");
            ASSERT_TRUE(app.json.JsonOk()) << s;
            std::string kinds;
            for (int i = 1; i <= JsonCount(args); ++i) kinds += "tbnttt"[static_cast<int>(JsonItem(args, i).kind())];
            EXPECT_EQ(kinds, f->args) << s;
        }
    }

    // The catalog, with the installers' keyed hashes; clock installed at 1.0.
    void Publish(const std::string& selfVersion = "1.0.0.1", std::string text = kCatalog) {
        fake.http.Serve(std::string(kBase) + "/clock-setup.exe", "MZ clock installer");
        fake.http.Serve(std::string(kBase) + "/PankorSetup.exe", "MZ manager installer");
        for (const auto& [field, value] : {std::pair{"%SHA%", KeyedHashOf("MZ clock installer")},
                                           {"%SELFSHA%", KeyedHashOf("MZ manager installer")},
                                           {"%SELF%", selfVersion}})
            text.replace(text.find(field), std::string(field).size(), value);
        AppTest::Publish(text);
        Install("Tarnwick\\clock.exe", 1 << 16);
    }
    // Main as the process entry runs it, then the window's load.
    void Start(const std::string& switches) {
        fake.system.commandLine = std::string(" /debug /publisher=") + kBase + switches;
        ASSERT_TRUE(app.main.Main());
        main.Open();
    }
    // Published, consent answered, started, the page arrived, booted, and the statements so far taken.
    void Running(const std::string& selfVersion = "1.0.0.1", const std::string& switches = "") {
        Publish(selfVersion);
        fake.fs.files[app.telemetry.TelemetryPath()] = "consent=0\r\n";
        Start(switches);
        browser.Complete();
        timers.Advance(kBootIntervalMs);
        browser.Take();
    }
    // The page functions called since the last take, in order, each followed by a blank.
    std::string Names() {
        std::string out;
        for (const std::string& s : browser.Take()) out += s.substr(10, s.find('(') - 10) + " ";
        return out;
    }
    std::string Taken() { return Joined(browser.Take()); }

    fakes::FakeWindow window;
    fakes::FakeBrowser browser;
    fakes::FakeTimers timers{fake.system};
    fakes::FakeTray trayIcon;
    fakes::FakeLoop loop;
    frmTray tray{trayIcon, app.icons, window, main, app.log};
    frmMain main{MainWindowDepsOf(app), MainWindowHost{window, browser, timers, loop}, tray};
};

}  // namespace

TEST_F(MainWindowTest, AFirstStartEverWelcomesOpensTheTabAndThePanelInValidStatements) {
    // U+2028 and U+2029 end a script statement inside a string; raw control characters are not allowed there either.
    std::string text = kCatalog;
    text.replace(text.find("Pieces"), 6,
                 "Pie\xE2\x80\xA8"
                 "ces\\u0001\xE2\x80\xA9");
    text.replace(text.find("\"Jot\""), 5, "\"J\\u001fot\xE2\x80\xA8\"");
    Publish("1.0.0.1", text);
    Start(" /tab=settings /installed=Clock");
    EXPECT_TRUE(window.visible && browser.silent);
    browser.Complete();
    timers.Advance(kBootIntervalMs);
    const std::string state = "setApps setSkins setSelfVersion setSelfUpdate setAutostart setNotify setTelemetry ";
    EXPECT_EQ(Names(),
              "setDpi setStatus " + state + "setStatus showWelcome showTabExternal " + state + "showInstalled ");
    EXPECT_TRUE(Logged("ApplyExeIcon big=0 small=0 hwnd=4242"));
    EXPECT_EQ(app.process.PendingCommand, "");
    const std::string page = Joined(browser.history);
    // The rows travel as JSON text inside a string: escaped twice.
    EXPECT_NE(page.find("Pie\\\\u2028ces\\\\u0001\\\\u2029"), std::string::npos) << page;
    EXPECT_NE(page.find("J\\\\u001Fot\\\\u2028"), std::string::npos) << page;
    for (const char* raw : {"\xE2\x80\xA8", "\xE2\x80\xA9"}) EXPECT_EQ(page.find(raw), std::string::npos);
    EXPECT_TRUE(std::none_of(page.begin(), page.end(), [](char c) { return c != '\n' && c >= 0 && c < 0x20; }));
}

TEST_F(MainWindowTest, InTheTrayTheWindowStaysHiddenAndANewerManagerIsAppliedAtOnce) {
    fake.system.dpi = 144;
    window.screen = {1366, 768};
    Running("9.0.0.0", " /tray /tab=   ");
    EXPECT_EQ(window.calls.at(0), "place 55,31 1256x706");  // 150 % clamped to 92 % of the screen
    // The consent question answered: no welcome, autostart left alone; a blank tab opens none.
    EXPECT_EQ(Joined(browser.history).find("window.pk.show"), std::string::npos);
    EXPECT_FALSE(app.probe.AutostartEnabled());
    timers.Advance(kStageIntervalMs);
    EXPECT_EQ(Taken(), "window.pk.setSelfUpdateState(\"ready\");\n");
    EXPECT_TRUE(Logged("hidden in the tray - applying now, not waiting for an exit"));
    EXPECT_EQ(fake.processes.started.size(), 1u);
    EXPECT_FALSE(timers.IsEnabled(TimerId::Stage));
}

TEST_F(MainWindowTest, ThePageIsReadyOnceAndGetsExactStatementsAndTheirFailuresOneLine) {
    Start("");
    main.CallJs("setStatus", "\"x\"");  // no document yet: dropped
    EXPECT_EQ(Taken(), "");
    // Found complete by the watchdog, then by the event.
    browser.document = true;
    browser.readyState = 4;
    browser.location = "file:///C:/Apps/Pankor/ui/Index.HTML";
    timers.Advance(kNavIntervalMs);
    browser.Complete();
    EXPECT_TRUE(Logged("watchdog: ready without event"));
    EXPECT_EQ(Taken(), "window.pk.setDpi(100);\n");
    EXPECT_FALSE(timers.IsEnabled(TimerId::Nav));

    main.UiBusy("clock", "Downloading Tarnwick Clock...");
    main.UiUpdateFailed("clock");
    main.SetProgress("clock", 42);
    main.CallJs("setNotify", "false");  // the escaping of texts: see the first start
    EXPECT_EQ(Taken(),
              "window.pk.setBusy(\"clock|Downloading Tarnwick Clock...\");\nwindow.pk.updateFailed(\"clock\");\n"
              "window.pk.setProgress(\"clock\",42);\nwindow.pk.setNotify(false);\n");
    browser.failing = "setStatus";
    main.CallJsStr("setStatus", "x");
    EXPECT_TRUE(Logged("CallJs setStatus err=Object doesn't support property or method 'setStatus'"));
}

TEST_F(MainWindowTest, EveryCommandUrlIsCancelledSplitDecodedAndDispatched) {
    Running();
    const std::tuple<const char*, bool, std::string> cases[] = {
        // url, cancelled, the log it starts with
        {"app:start?slug=clock", true,
         "dispatch start arg=clock\nstarting C:\\Users\\ann\\AppData\\Roaming\\Tarnwick\\clock.exe\n"},
        {"APP:START?x=jot", true, "dispatch START arg=jot\n"},  // not installed: a status line only
        {"app:open?url=x%3Dy%26z", true, "dispatch open arg=x=y&z\nrefused non-http url: x=y&z\n"},
        {"app:open?u=%zz+b", true, "dispatch open arg=%zz+b\nrefused non-http url: %zz+b\n"},
        {"app:autostart?on=true", true, "dispatch autostart arg=true\nautostart off\n"},
        {"app:notify?x=0", true, "dispatch notify arg=0\nupdate notifications = off\n"},
        {"app:consent?c=1", true, "dispatch consent arg=1\ntelemetry consent = yes\n"},
        {"app:ready", true, "dispatch ready arg=\n"},
        {"app:?lonely", true, "dispatch  arg=lonely\n"},  // an unknown command: the line is all
        {"https://tarnwick.test/", false, ""}};
    for (const auto& [url, cancelled, log] : cases) {
        ClearLog();
        EXPECT_EQ(browser.Navigation(url), cancelled) << url;
        EXPECT_EQ(LogText().substr(0, log.size()), log) << url;
    }
    EXPECT_EQ(fake.processes.started.at(0).commandLine, "\"C:\\Users\\ann\\AppData\\Roaming\\Tarnwick\\clock.exe\"");
    EXPECT_FALSE(fake.processes.started.at(0).hidden);
    browser.Take();
    EXPECT_TRUE(browser.Navigation("app:issue?x=1"));  // the argument is ignored; the form is read
    EXPECT_EQ(Taken(), "window.pk.setIssueResult(false,\"Tell me a bit more about what happened first.\");\n");
    for (const char* url : {"app:min", "app:drag"}) browser.Navigation(url);
    EXPECT_TRUE(window.minimised);
    EXPECT_EQ(window.calls.back(), "drag");
}

TEST_F(MainWindowTest, TheSelfUpdateButtonStagesOrFallsBackAndTheUpdateWaitsUntilTheWindowCloses) {
    Running("9.0.0.0");
    timers.Disable(TimerId::Stage);
    Bytes& installer = fake.http.answers[std::string(kBase) + "/PankorSetup.exe"].body;
    const Bytes good = std::exchange(installer, Bytes{'Z', 'M'});
    browser.Navigation("app:selfupdate");
    EXPECT_EQ(fake.processes.opened, Lines{std::string(kBase) + "/PankorSetup.exe"});
    installer = good;
    browser.Navigation("app:selfupdate");
    browser.Navigation("app:selfupdate");  // staged already: "ready" at once
    EXPECT_EQ(Taken(),
              "window.pk.setSelfUpdateState(\"working\");\nwindow.pk.setSelfUpdateState(\"failed\");\n"
              "window.pk.setSelfUpdateState(\"working\");\nwindow.pk.setSelfUpdateState(\"ready\");\n"
              "window.pk.setSelfUpdateState(\"ready\");\n");
    main.PushState();  // staged: "ready" in place of the offer, and no second staging
    EXPECT_EQ(Names(), "setApps setSkins setSelfVersion setSelfUpdateState setAutostart setNotify setTelemetry ");
    EXPECT_FALSE(timers.IsEnabled(TimerId::Stage));
    EXPECT_TRUE(fake.processes.started.empty());
    browser.Navigation("app:close");
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(Logged("window closed with an update staged - applying it"));
    EXPECT_EQ(fake.processes.started.size(), 1u);
}

TEST_F(MainWindowTest, ThePollChecksEverySixHoursAndTheLiveCheckOnlySendsChangesToAVisibleWindow) {
    Running();
    timers.Advance(359LL * kPollIntervalMs);
    EXPECT_FALSE(Logged("periodic check (360 min)"));
    EXPECT_EQ(Names(), "");                // nothing changed
    fake.processes.names = {"clock.exe"};  // the app starts
    timers.Advance(kLiveIntervalMs);
    EXPECT_EQ(Names(), "setApps ");
    EXPECT_TRUE(Logged("live: apps changed, pushed"));
    window.visible = false;
    fake.processes.names.clear();
    timers.Advance(kPollIntervalMs - kLiveIntervalMs);  // to the 360th minute
    EXPECT_TRUE(Logged("periodic check (360 min)"));
    EXPECT_EQ(Names().rfind("setStatus ", 0), 0u);

    // A failed load empties the model, not the page: the live check keeps the rows on show rather than send "[]".
    window.visible = true;
    fake.http.answers.clear();
    browser.Navigation("app:refresh");
    EXPECT_EQ(app.catalog.AppCount, 0);
    EXPECT_EQ(browser.Take().back(), "window.pk.setStatus(\"Couldn't reach tarnwick.test\");");
    fake.processes.names = {"clock.exe"};
    timers.Advance(3 * kLiveIntervalMs);
    EXPECT_EQ(Names(), "");
}

TEST_F(MainWindowTest, TheWatchFollowsTwoChangesAndStopsAfterFortyNineTicks) {
    Running();
    browser.Navigation("app:update?s=jot");
    EXPECT_EQ(fake.processes.opened, Lines{"https://tarnwick.test/jot/"});
    browser.Take();
    // The installer from the download page runs at tick 11, and a second step at tick 32.
    for (const auto& [ticks, version] : {std::pair{10LL, 1 << 16}, {20LL, 2 << 16}}) {
        timers.Advance(ticks * kWatchIntervalMs);
        Install("Jot\\jot.exe", version);
        timers.Advance(kWatchIntervalMs);
        EXPECT_EQ(browser.Take().back(), "window.pk.setStatus(\"Updated 14:03\");");
    }
    timers.Advance(16LL * kWatchIntervalMs);  // tick 48
    EXPECT_TRUE(timers.IsEnabled(TimerId::Watch));
    timers.Advance(kWatchIntervalMs);
    EXPECT_FALSE(timers.IsEnabled(TimerId::Watch));
}

TEST_F(MainWindowTest, BalloonClicksOpenTheirTabAndAnUntargetedOneTheApps) {
    Start(" /tray");
    browser.Complete();
    browser.Take();
    tray.Balloon(std::string(61, 'h'), std::string(300, 'b'), "toybox");
    EXPECT_EQ(trayIcon.calls.back(), "balloon " + std::string(60, 'h') + "|" + std::string(250, 'b') + "|10000");
    trayIcon.events->OnTrayEvent(kTrayBalloonClicked);
    EXPECT_EQ(window.calls.back(), "flash off");
    // Before any load, "[]" is the first rows sent.
    EXPECT_EQ(Taken(), "window.pk.setApps(\"[]\");\nwindow.pk.showTabExternal(\"toybox\");\n");
    tray.Balloon("Update available", "Jot 2.0 is available.");
    trayIcon.events->OnTrayEvent(kTrayBalloonClicked);
    EXPECT_EQ(Taken(), "window.pk.showTabExternal(\"apps\");\n");
    for (int code : {kTrayLeftButtonUp, kTrayLeftDoubleClick, kTrayRightButtonUp, 0x200}) {
        window.visible = false;
        trayIcon.events->OnTrayEvent(code);
        EXPECT_EQ(window.visible, code != 0x200) << code;
    }
    EXPECT_EQ(Taken(), "");

    browser.Navigation("app:quit");
    EXPECT_EQ(loop.calls, (Lines{"unload", "end"}));
    tray.RemoveIcon();  // twice is safe
    EXPECT_EQ(std::count(trayIcon.calls.begin(), trayIcon.calls.end(), "remove"), 1);
    EXPECT_TRUE(fake.icons.destroyed.empty());  // the window's own icon is never destroyed
    tray.Balloon("after", "removal");
    EXPECT_EQ(trayIcon.calls.back(), "remove");
}

TEST_F(MainWindowTest, WhileAnUpdateDownloadsARefreshAndASecondUpdateAreSkipped) {
    Install("Jot\\jot.exe", 1 << 16);
    Running();
    fake.http.waitsBeforeAnswer[std::string(kBase) + "/clock-setup.exe"] = 12;
    int pumps = 0;
    pump.onPump = [&] {
        timers.FireDue();
        if (++pumps == 2) browser.Navigation("app:refresh");
        if (pumps == 3) browser.Navigation("app:inupdate?s=jot");
    };
    browser.Navigation("app:inupdate?s=clock");
    EXPECT_TRUE(Logged("refresh skipped: a check or an update is already running"));
    EXPECT_FALSE(Logged("in-app update jot <- "));                       // the second update was ignored
    EXPECT_EQ(Taken().find("window.pk.setStatus("), std::string::npos);  // no check ran inside
    EXPECT_EQ(app.catalog.AppCount, 3);
}

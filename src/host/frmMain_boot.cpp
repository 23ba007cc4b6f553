// Boot once the page is ready, the requests of later starts, and the
// self-test switches that check one feature each against the live page.
#include "base/Paths.h"
#include "base/Switches.h"
#include "base/Text.h"
#include "host/frmMain.h"
#include "host/frmTray.h"
#include "startup/Encoders.h"

namespace pankor {

void frmMain::BootTick() noexcept {
    host_.timers.Disable(TimerId::Boot);  // once
    RefreshStatus();
    host_.timers.Enable(TimerId::Poll, kPollIntervalMs);
    host_.timers.Enable(TimerId::Live, kLiveIntervalMs);
    FirstRunWelcome();
    app_.log.Guard("boot failed: ", [&] {
        if (HasSwitch("testissue")) IssueSelfTest();
    });
    ApplyTabArg();
    app_.log.Guard("boot failed: ", [&] {
        const std::string pending = std::exchange(app_.process.PendingCommand, std::string());
        RunExternalCommand(pending);
    });
    host_.timers.Enable(TimerId::Handoff, kHandoffIntervalMs);
    RunSelfTests();
}

void frmMain::FirstRunWelcome() noexcept {
    app_.log.Guard("FirstRunWelcome failed: ", [&] {
        if (app_.telemetry.ConsentState() != -1) return;  // shown until the question is answered
        if (!app_.probe.AutostartEnabled()) app_.probe.SetAutostart(true);
        const bool autostart = app_.probe.AutostartEnabled();
        CallJs("showWelcome", autostart ? "true" : "false");
        Log(std::string("first run: welcome shown, autostart=") + TrueFalse(autostart));
    });
}

void frmMain::ApplyTabArg() noexcept {
    app_.log.Guard("ApplyTabArg failed: ", [&] {
        const std::string line = app_.platform.system.CommandLine();
        const auto after = AfterSwitch(line, "/tab=");
        if (!after) return;
        const std::string_view tab = UpToBlank(TrimSpaces(*after));
        if (!tab.empty()) CallJsStr("showTabExternal", tab);
    });
}

void frmMain::RunExternalCommand(const std::string& command) noexcept {
    if (command.empty()) return;
    app_.log.Guard("RunExternalCommand failed: ", [&] {
        Log("command: " + command);
        static constexpr std::string_view kInstalled = "installed=";
        if (command == "show")
            BringToFront();
        else if (command.compare(0, kInstalled.size(), kInstalled) == 0)
            ShowInstalled(command.substr(kInstalled.size()));
        else
            Log("command ignored (unrecognised)");
    });
}

void frmMain::BringToFront() noexcept {
    if (host_.window.IsMinimised()) host_.window.Restore();
    host_.window.Show();
    StopFlash();
    host_.window.SetForeground();
}

void frmMain::ShowInstalled(const std::string& slug) noexcept {
    BringToFront();
    app_.log.Guard("ShowInstalled failed: ", [&] {
        if (app_.catalog.FindApp(slug) < 0) {
            Log("installed= slug not in catalog: " + slug);
            return;
        }
        app_.catalog.RefreshInstalled();
        PushState();
        CallJsStr("showInstalled", slug);
        Log("showed installed panel for " + slug);
    });
}

void frmMain::HandoffTick() noexcept {
    if (!pageReady_) return;
    RunExternalCommand(app_.instance.TakeHandoff());
}

// The switches after "testissue", in this order; each one traps its own errors.
void frmMain::RunSelfTests() noexcept {
    const std::string line = app_.platform.system.CommandLine();
    app_.log.Guard("HASHTEST failed: ", [&] {
        if (HasSwitch("/testhash")) HashSelfTest();
    });
    app_.log.Guard("SIGTEST failed: ", [&] {
        if (HasSwitch("testsig")) app_.sign.SigSelfTest(line);
    });
    app_.log.Guard("testinupdate failed: ", [&] {
        const auto after = AfterSwitch(line, "testinupdate=");
        if (!after) return;
        const std::string slug(UpToBlank(*after));
        Log("testinupdate: " + slug);
        app_.appUpdate.UpdateInApp(slug);
    });
    app_.log.Guard("testskin failed: ", [&] {
        if (!HasSwitch("testskin")) return;
        (void)host_.browser.RunScript(
            "var b=document.getElementById('skins').getElementsByTagName('span');"
            "for(var i=0;i<b.length;i++){if(b[i].getAttribute('data-do')==='skin'){b[i].click();break;}}");
    });
    app_.log.Guard("METRICS failed: ", [&] {
        if (HasSwitch("testmetrics")) MetricsSelfTest();
    });
    app_.log.Guard("testballoon failed: ", [&] {
        if (!HasSwitch("testballoon")) return;
        tray_.Balloon("Tarnwick updates", "Tarnwick Clock 8.1.0.9999 is available. (This is a test balloon.)", "apps");
        FlashIfBackground();
    });
    app_.log.Guard("SELFUPDATE TEST failed: ", [&] {
        if (HasSwitch("testselfupdate")) SelfUpdateSelfTest();
    });
}

void frmMain::IssueSelfTest() noexcept {
    const std::string app = app_.catalog.AppCount > 0 ? app_.catalog.Apps[0].slug : std::string("pankor");
    const std::string text = "SELF TEST - line one.\n\nA \"quoted\" word and a back\\slash.";
    (void)host_.browser.RunScript("document.getElementById('isApp').value=\"" + JsonEscape(app) +
                                  "\";document.getElementById('isContact').value=\"selftest@example.com\";"
                                  "document.getElementById('isText').value=\"" +
                                  JsonEscape(text) + "\";");
    const std::string readApp = modIssue::PageFieldValue(host_.browser, "isApp");
    const std::string contact = modIssue::PageFieldValue(host_.browser, "isContact");
    const std::string readText = modIssue::PageFieldValue(host_.browser, "isText");
    Log("selftest read: app=" + readApp + " contact=" + contact +
        " textLen=" + std::to_string(CharacterCount(readText)));
    std::string message;
    const bool ok = app_.issue.SubmitIssue(host_.browser, message);
    Log(std::string("selftest submit ok=") + TrueFalse(ok) + " msg=" + message);
}

void frmMain::HashSelfTest() noexcept {
    std::string path = SwitchRest(app_.platform.system.CommandLine(), "/testhash").value_or("");
    if (path.empty()) path = JoinPath(app_.process.RunDir, "Pankor.exe", app_.platform.fs.Separator());
    const Result<Bytes> bytes =
        app_.file.FileExists(path) ? app_.platform.fs.ReadFile(path) : Result<Bytes>::Fail("no such file");
    if (!bytes.ok()) {
        Log("HASHTEST: no such file " + path);
        return;
    }
    Log("HASHTEST file=" + path + " bytes=" + std::to_string(bytes->size()));
    Log("HASHTEST hash=" + app_.hash.KeyedHash(*bytes, kInstallerHashKey));
}

void frmMain::MetricsSelfTest() noexcept {
    if (!host_.browser.HasDocument()) return;
    const std::optional<PageMetrics> m = host_.browser.Metrics();
    if (!m) return;
    const PixelSize client = host_.window.ClientSize();
    Log("METRICS window client=" + std::to_string(client.width) + "x" + std::to_string(client.height));
    Log("METRICS body   scrollH=" + std::to_string(m->body.scrollHeight) +
        " clientH=" + std::to_string(m->body.clientHeight) + " offsetH=" + std::to_string(m->body.offsetHeight));
    if (m->main)
        Log("METRICS main   scrollH=" + std::to_string(m->main->scrollHeight) +
            " clientH=" + std::to_string(m->main->clientHeight) + " offsetH=" + std::to_string(m->main->offsetHeight) +
            " scrollTop=" + std::to_string(m->main->scrollTop));
    if (m->settings)
        Log("METRICS settings offsetH=" + std::to_string(m->settings->offsetHeight) +
            " scrollH=" + std::to_string(m->settings->scrollHeight));
}

void frmMain::SelfUpdateSelfTest() noexcept {
    const std::string own = app_.version.OwnVersion();
    const std::string offered = app_.catalog.SelfVersion;
    Log("SELFUPDATE TEST: self=" + own + " catalog=" + offered);
    if (!IsNewer(offered, own)) {
        Log("SELFUPDATE TEST: nothing newer, no-op");
        return;
    }
    CmdSelfUpdate();
    Log(std::string("SELFUPDATE TEST: staged=") + TrueFalse(app_.selfUpdate.HasStagedUpdate()));
    QuitApp();
}

}  // namespace pankor

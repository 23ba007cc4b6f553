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
    d_.log.Guard("boot failed: ", [&] {
        if (HasSwitch("testissue")) IssueSelfTest();
    });
    ApplyTabArg();
    d_.log.Guard("boot failed: ", [&] {
        const std::string pending = std::exchange(d_.process.PendingCommand, std::string());
        RunExternalCommand(pending);
    });
    host_.timers.Enable(TimerId::Handoff, kHandoffIntervalMs);
    RunSelfTests();
}

void frmMain::FirstRunWelcome() noexcept {
    d_.log.Guard("FirstRunWelcome failed: ", [&] {
        if (d_.telemetry.ConsentState() != -1) return;  // shown until the question is answered
        if (!d_.probe.AutostartEnabled()) d_.probe.SetAutostart(true);
        const bool autostart = d_.probe.AutostartEnabled();
        CallJs("showWelcome", autostart ? "true" : "false");
        Log(std::string("first run: welcome shown, autostart=") + TrueFalse(autostart));
    });
}

void frmMain::ApplyTabArg() noexcept {
    d_.log.Guard("ApplyTabArg failed: ", [&] {
        const std::string line = d_.platform.system.CommandLine();
        const auto after = AfterSwitch(line, "/tab=");
        if (!after) return;
        const std::string_view tab = UpToBlank(TrimSpaces(*after));
        if (!tab.empty()) CallJsStr("showTabExternal", tab);
    });
}

void frmMain::RunExternalCommand(const std::string& command) noexcept {
    if (command.empty()) return;
    d_.log.Guard("RunExternalCommand failed: ", [&] {
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
    d_.log.Guard("ShowInstalled failed: ", [&] {
        if (d_.catalog.FindApp(slug) < 0) {
            Log("installed= slug not in catalog: " + slug);
            return;
        }
        d_.catalog.RefreshInstalled();
        PushState();
        CallJsStr("showInstalled", slug);
        Log("showed installed panel for " + slug);
    });
}

void frmMain::HandoffTick() noexcept {
    if (!pageReady_) return;
    RunExternalCommand(d_.instance.TakeHandoff());
}

// The switches after "testissue", in this order; each one traps its own errors.
void frmMain::RunSelfTests() noexcept {
    const std::string line = d_.platform.system.CommandLine();
    d_.log.Guard("HASHTEST failed: ", [&] {
        if (HasSwitch("/testhash")) HashSelfTest();
    });
    d_.log.Guard("SIGTEST failed: ", [&] {
        if (HasSwitch("testsig")) d_.sign.SigSelfTest(line);
    });
    d_.log.Guard("testinupdate failed: ", [&] {
        const auto after = AfterSwitch(line, "testinupdate=");
        if (!after) return;
        const std::string slug(UpToBlank(*after));
        Log("testinupdate: " + slug);
        d_.appUpdate.UpdateInApp(slug);
    });
    d_.log.Guard("testskin failed: ", [&] {
        if (!HasSwitch("testskin")) return;
        (void)host_.browser.RunScript(
            "var b=document.getElementById('skins').getElementsByTagName('span');"
            "for(var i=0;i<b.length;i++){if(b[i].getAttribute('data-do')==='skin'){b[i].click();break;}}");
    });
    d_.log.Guard("METRICS failed: ", [&] {
        if (HasSwitch("testmetrics")) MetricsSelfTest();
    });
    d_.log.Guard("testballoon failed: ", [&] {
        if (!HasSwitch("testballoon")) return;
        tray_.Balloon("Tarnwick updates", "Tarnwick Clock 8.1.0.9999 is available. (This is a test balloon.)", "apps");
        FlashIfBackground();
    });
    d_.log.Guard("SELFUPDATE TEST failed: ", [&] {
        if (HasSwitch("testselfupdate")) SelfUpdateSelfTest();
    });
}

void frmMain::IssueSelfTest() noexcept {
    const std::string app = d_.catalog.AppCount > 0 ? d_.catalog.Apps[0].slug : std::string("pankor");
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
    const bool ok = d_.issue.SubmitIssue(host_.browser, message);
    Log(std::string("selftest submit ok=") + TrueFalse(ok) + " msg=" + message);
}

void frmMain::HashSelfTest() noexcept {
    std::string path = SwitchRest(d_.platform.system.CommandLine(), "/testhash").value_or("");
    if (path.empty()) path = JoinPath(d_.process.RunDir, "Pankor.exe", d_.platform.fs.Separator());
    const Result<Bytes> bytes =
        d_.file.FileExists(path) ? d_.platform.fs.ReadFile(path) : Result<Bytes>::Fail("no such file");
    if (!bytes.ok()) {
        Log("HASHTEST: no such file " + path);
        return;
    }
    Log("HASHTEST file=" + path + " bytes=" + std::to_string(bytes->size()));
    Log("HASHTEST hash=" + d_.hash.KeyedHash(*bytes, kInstallerHashKey));
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
    const std::string own = d_.version.OwnVersion();
    const std::string offered = d_.catalog.SelfVersion;
    Log("SELFUPDATE TEST: self=" + own + " catalog=" + offered);
    if (!IsNewer(offered, own)) {
        Log("SELFUPDATE TEST: nothing newer, no-op");
        return;
    }
    CmdSelfUpdate();
    Log(std::string("SELFUPDATE TEST: staged=") + TrueFalse(d_.selfUpdate.HasStagedUpdate()));
    QuitApp();
}

}  // namespace pankor

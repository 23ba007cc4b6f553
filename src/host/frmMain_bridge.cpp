// The bridge: "app:" navigations from the page become commands; page calls
// are statements run in the page.
#include "base/Text.h"
#include "host/frmMain.h"
#include "startup/Encoders.h"

namespace pankor {

void frmMain::OnBeforeNavigate(const std::string& url, bool& cancel) noexcept {
    if (!StartsWithNoCase(url, "app:")) return;  // any other address navigates normally
    cancel = true;
    DispatchCommand(std::string_view(url).substr(4));
}

void frmMain::OnDocumentComplete(const std::string& url) noexcept {
    if (ContainsNoCase(url, "index.html")) OnUiReady();
}

void frmMain::OnNavigateError(const std::string& url) noexcept { Log("NavigateError " + url); }

void frmMain::DispatchCommand(std::string_view text) noexcept {
    app_.log.Guard("DispatchCommand failed: ", [&] {
        std::string command(text), arg;
        if (const std::size_t q = command.find('?'); q != std::string::npos) {
            arg = command.substr(q + 1);
            command.erase(q);
            if (const std::size_t eq = arg.find('='); eq != std::string::npos) arg.erase(0, eq + 1);
            // An escape that is not hex leaves the argument as it came.
            if (std::optional<std::string> decoded = UrlDecode(arg)) arg = std::move(*decoded);
        }
        Log("dispatch " + command + " arg=" + arg);

        const std::string name = LowerAscii(command);
        if (name == "drag")
            DragWindow();
        else if (name == "min")
            host_.window.Minimise();
        else if (name == "close")
            CmdClose();
        else if (name == "quit")
            QuitApp();
        else if (name == "selfupdate")
            CmdSelfUpdate();
        else if (name == "refresh")
            RefreshStatus();
        else if (name == "start")
            CmdStart(arg);
        else if (name == "update")
            CmdUpdate(arg);
        else if (name == "inupdate")
            app_.appUpdate.UpdateInApp(arg);
        else if (name == "notes")
            CmdNotes(arg);
        else if (name == "open")
            app_.update.OpenUrl(arg);
        else if (name == "uninstall")
            CmdUninstall(arg);
        else if (name == "backup")
            CmdBackup();
        else if (name == "restore")
            CmdRestore();
        else if (name == "issue")
            CmdIssue();
        else if (name == "autostart")
            app_.probe.SetAutostart(arg == "1");
        else if (name == "notify")
            app_.notify.SetNotifyEnabled(arg == "1");
        else if (name == "consent") {
            app_.telemetry.SetConsent(arg == "1");
            if (arg == "1") app_.telemetry.SendTelemetryIfDue();
            PushState();
        }
        // "ready" and anything unknown: the dispatch line is all.
    });
}

void frmMain::CallJs(std::string_view name, std::string_view args) noexcept {
    app_.log.Guard("CallJs failed: ", [&] {
        if (!host_.browser.HasDocument()) return;  // dropped, not queued
        const Status ran = host_.browser.RunScript("window.pk." + std::string(name) + "(" + std::string(args) + ");");
        if (!ran.ok()) Log("CallJs " + std::string(name) + " err=" + ran.error());
    });
}

void frmMain::CallJsStr(std::string_view name, std::string_view text) noexcept {
    app_.log.Guard("CallJsStr failed: ", [&] { CallJs(name, "\"" + JsonEscape(text) + "\""); });
}

}  // namespace pankor

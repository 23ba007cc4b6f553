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

// The command table: what each of the page's commands does.
std::span<const frmMain::CommandHandler> frmMain::Handlers() noexcept {
    using F = frmMain;
    static const CommandHandler kHandlers[] = {
        {"ready", [](F&, const std::string&) {}},
        {"drag", [](F& f, const std::string&) { f.DragWindow(); }},
        {"min", [](F& f, const std::string&) { f.host_.window.Minimise(); }},
        {"close", [](F& f, const std::string&) { f.CmdClose(); }},
        {"quit", [](F& f, const std::string&) { f.QuitApp(); }},
        {"selfupdate", [](F& f, const std::string&) { f.CmdSelfUpdate(); }},
        {"refresh", [](F& f, const std::string&) { f.RefreshStatus(); }},
        {"start", [](F& f, const std::string& slug) { f.CmdStart(slug); }},
        {"update", [](F& f, const std::string& slug) { f.CmdUpdate(slug); }},
        {"inupdate", [](F& f, const std::string& slug) { f.d_.appUpdate.UpdateInApp(slug); }},
        {"notes", [](F& f, const std::string& slug) { f.CmdNotes(slug); }},
        {"open", [](F& f, const std::string& url) { f.d_.update.OpenUrl(url); }},
        {"uninstall", [](F& f, const std::string& slug) { f.CmdUninstall(slug); }},
        {"backup", [](F& f, const std::string&) { f.CmdBackup(); }},
        {"restore", [](F& f, const std::string&) { f.CmdRestore(); }},
        {"issue", [](F& f, const std::string&) { f.CmdIssue(); }},
        {"autostart", [](F& f, const std::string& on) { f.d_.probe.SetAutostart(on == "1"); }},
        {"notify", [](F& f, const std::string& on) { f.d_.notify.SetNotifyEnabled(on == "1"); }},
        {"consent",
         [](F& f, const std::string& yes) {
             f.d_.telemetry.SetConsent(yes == "1");
             if (yes == "1") f.d_.telemetry.SendTelemetryIfDue();
             f.PushState();
         }},
    };
    return kHandlers;
}

void frmMain::DispatchCommand(std::string_view text) noexcept {
    d_.log.Guard("DispatchCommand failed: ", [&] {
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
        for (const CommandHandler& h : Handlers())
            if (h.name == name) return h.run(*this, arg);
        // An unknown command: the dispatch line is all.
    });
}

void frmMain::CallJs(std::string_view name, std::string_view args) noexcept {
    d_.log.Guard("CallJs failed: ", [&] {
        if (!host_.browser.HasDocument()) return;  // dropped, not queued
        const Status ran = host_.browser.RunScript("window.pk." + std::string(name) + "(" + std::string(args) + ");");
        if (!ran.ok()) Log("CallJs " + std::string(name) + " err=" + ran.error());
    });
}

void frmMain::CallJsStr(std::string_view name, std::string_view text) noexcept {
    d_.log.Guard("CallJsStr failed: ", [&] { CallJs(name, "\"" + JsonEscape(text) + "\""); });
}

}  // namespace pankor

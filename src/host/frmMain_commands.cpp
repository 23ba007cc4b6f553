// The handlers of the page's buttons: each does its work through a module
// and tells the user the outcome in the status line.
#include "base/Text.h"
#include "host/frmMain.h"
#include "startup/Encoders.h"

namespace pankor {

const CatalogApp* frmMain::FindApp(const std::string& slug) const noexcept {
    const int i = app_.catalog.FindApp(slug);
    return i < 0 ? nullptr : &app_.catalog.Apps[static_cast<std::size_t>(i)];
}

std::string frmMain::SiteRoot() const {
    const std::string& base = app_.catalog.PublisherBase();
    const std::size_t scheme = base.find("://");
    const std::size_t path = scheme == std::string::npos ? std::string::npos : base.find('/', scheme + 3);
    return base.substr(0, path) + "/";
}

void frmMain::CmdUninstall(const std::string& slug) noexcept {
    app_.log.Guard("CmdUninstall failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr) return;
        const std::string name = a->name;
        if (app_.apps.UninstallApp(name)) {
            CallJsStr("setStatus", "Uninstaller running...");
            StartWatch();
        } else {
            CallJsStr("setStatus", "Couldn't find an uninstaller for " + name);
        }
    });
}

void frmMain::CmdStart(const std::string& slug) noexcept {
    app_.log.Guard("CmdStart failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr || a->exe.empty()) return;
        const std::string name = a->name;
        const std::string path = app_.catalog.ExePath(*a);
        if (!app_.file.FileExists(path)) {
            CallJsStr("setStatus", name + " isn't installed");
            return;
        }
        Log("starting " + path);
        const auto started = app_.platform.processes.Start("\"" + path + "\"", false);
        if (!started.ok()) {
            CallJsStr("setStatus", "Couldn't start " + name);
            Log("start failed: " + started.error());
            return;
        }
        CallJsStr("setStatus", "Started " + name);
    });
}

void frmMain::CmdBackup() noexcept {
    app_.log.Guard("CmdBackup failed: ", [&] {
        const std::string folder = app_.apps.PickFolder("Where should the backup go?");
        if (folder.empty()) return;
        CallJsStr("setStatus", "Backing up...");
        app_.host.pump.Pump();
        const std::string written = app_.apps.BackupConfig(folder);
        CallJsStr("setStatus", written.empty() ? "Nothing to back up" : "Backed up to " + written);
    });
}

void frmMain::CmdRestore() noexcept {
    app_.log.Guard("CmdRestore failed: ", [&] {
        const std::string folder = app_.apps.PickFolder("Pick a Pankor-backup-... folder");
        if (folder.empty()) return;
        CallJsStr("setStatus", "Restoring...");
        app_.host.pump.Pump();
        const int restored = app_.apps.RestoreConfig(folder);
        CallJsStr("setStatus", restored < 1 ? std::string("No settings found in that folder")
                                            : "Restored " + std::to_string(restored) +
                                                  " file(s) - restart the apps to pick them up");
    });
}

void frmMain::CmdUpdate(const std::string& slug) noexcept {
    app_.log.Guard("CmdUpdate failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr) return;
        const std::string name = a->name;
        const std::string page = a->page.empty() ? SiteRoot() + a->slug + "/" : a->page;
        app_.update.OpenUrl(page);
        CallJsStr("setStatus", "Opened the download page for " + name);
        StartWatch();
    });
}

void frmMain::CmdNotes(const std::string& slug) noexcept {
    app_.log.Guard("CmdNotes failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr) return;
        app_.update.OpenUrl(a->notes.empty() ? SiteRoot() + a->slug + "/" : a->notes);
    });
}

void frmMain::CmdSelfUpdate() noexcept {
    app_.log.Guard("CmdSelfUpdate failed: ", [&] {
        // Copies: the wait below lets a catalog check in, which refills the model.
        const std::string url = app_.catalog.SelfUrl, version = app_.catalog.SelfVersion;
        if (url.empty()) return;
        if (app_.selfUpdate.HasStagedUpdate()) {
            CallJsStr("setSelfUpdateState", "ready");
            return;
        }
        CallJsStr("setSelfUpdateState", "working");
        app_.host.pump.Pump();
        if (app_.selfUpdate.StageSelfUpdate(url, version)) {
            CallJsStr("setSelfUpdateState", "ready");
            return;
        }
        CallJsStr("setSelfUpdateState", "failed");
        app_.update.OpenUrl(url);  // the user can fetch the installer by hand
    });
}

void frmMain::CmdIssue() noexcept {
    app_.log.Guard("CmdIssue failed: ", [&] {
        std::string message;
        const bool accepted = app_.issue.SubmitIssue(host_.browser, message);
        CallJs("setIssueResult", std::string(accepted ? "true" : "false") + ",\"" + JsonEscape(message) + "\"");
    });
}

}  // namespace pankor

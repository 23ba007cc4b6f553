// The handlers of the page's buttons: each does its work through a module
// and tells the user the outcome in the status line.
#include "base/Text.h"
#include "host/frmMain.h"
#include "startup/Encoders.h"

namespace pankor {

const CatalogApp* frmMain::FindApp(const std::string& slug) const noexcept {
    const int i = d_.catalog.FindApp(slug);
    return i < 0 ? nullptr : &d_.catalog.Apps[static_cast<std::size_t>(i)];
}

std::string frmMain::SiteRoot() const {
    const std::string& base = d_.catalog.PublisherBase();
    const std::size_t scheme = base.find("://");
    const std::size_t path = scheme == std::string::npos ? std::string::npos : base.find('/', scheme + 3);
    return base.substr(0, path) + "/";
}

void frmMain::CmdUninstall(const std::string& slug) noexcept {
    d_.log.Guard("CmdUninstall failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr) return;
        const std::string name = a->name;
        if (d_.apps.UninstallApp(name)) {
            CallJsStr("setStatus", "Uninstaller running...");
            StartWatch();
        } else {
            CallJsStr("setStatus", "Couldn't find an uninstaller for " + name);
        }
    });
}

void frmMain::CmdStart(const std::string& slug) noexcept {
    d_.log.Guard("CmdStart failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr || a->exe.empty()) return;
        const std::string name = a->name;
        const std::string path = d_.catalog.ExePath(*a);
        if (!d_.file.FileExists(path)) {
            CallJsStr("setStatus", name + " isn't installed");
            return;
        }
        Log("starting " + path);
        const auto started = d_.platform.processes.Start("\"" + path + "\"", false);
        if (!started.ok()) {
            CallJsStr("setStatus", "Couldn't start " + name);
            Log("start failed: " + started.error());
            return;
        }
        CallJsStr("setStatus", "Started " + name);
    });
}

void frmMain::CmdBackup() noexcept {
    d_.log.Guard("CmdBackup failed: ", [&] {
        const std::string folder = d_.apps.PickFolder("Where should the backup go?");
        if (folder.empty()) return;
        CallJsStr("setStatus", "Backing up...");
        d_.pump.Pump();
        const std::string written = d_.apps.BackupConfig(folder);
        CallJsStr("setStatus", written.empty() ? "Nothing to back up" : "Backed up to " + written);
    });
}

void frmMain::CmdRestore() noexcept {
    d_.log.Guard("CmdRestore failed: ", [&] {
        const std::string folder = d_.apps.PickFolder("Pick a Pankor-backup-... folder");
        if (folder.empty()) return;
        CallJsStr("setStatus", "Restoring...");
        d_.pump.Pump();
        const int restored = d_.apps.RestoreConfig(folder);
        CallJsStr("setStatus", restored < 1 ? std::string("No settings found in that folder")
                                            : "Restored " + std::to_string(restored) +
                                                  " file(s) - restart the apps to pick them up");
    });
}

void frmMain::CmdUpdate(const std::string& slug) noexcept {
    d_.log.Guard("CmdUpdate failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr) return;
        const std::string name = a->name;
        const std::string page = a->page.empty() ? SiteRoot() + a->slug + "/" : a->page;
        d_.update.OpenUrl(page);
        CallJsStr("setStatus", "Opened the download page for " + name);
        StartWatch();
    });
}

void frmMain::CmdNotes(const std::string& slug) noexcept {
    d_.log.Guard("CmdNotes failed: ", [&] {
        const CatalogApp* a = FindApp(slug);
        if (a == nullptr) return;
        d_.update.OpenUrl(a->notes.empty() ? SiteRoot() + a->slug + "/" : a->notes);
    });
}

void frmMain::CmdSelfUpdate() noexcept {
    d_.log.Guard("CmdSelfUpdate failed: ", [&] {
        // Copies: the wait below lets a catalog check in, which refills the model.
        const std::string url = d_.catalog.SelfUrl, version = d_.catalog.SelfVersion;
        if (url.empty()) return;
        if (d_.selfUpdate.HasStagedUpdate()) {
            CallJsStr("setSelfUpdateState", "ready");
            return;
        }
        CallJsStr("setSelfUpdateState", "working");
        d_.pump.Pump();
        if (d_.selfUpdate.StageSelfUpdate(url, version)) {
            CallJsStr("setSelfUpdateState", "ready");
            return;
        }
        CallJsStr("setSelfUpdateState", "failed");
        d_.update.OpenUrl(url);  // the user can fetch the installer by hand
    });
}

void frmMain::CmdIssue() noexcept {
    d_.log.Guard("CmdIssue failed: ", [&] {
        std::string message;
        const bool accepted = d_.issue.SubmitIssue(host_.browser, message);
        CallJs("setIssueResult", std::string(accepted ? "true" : "false") + ",\"" + JsonEscape(message) + "\"");
    });
}

}  // namespace pankor

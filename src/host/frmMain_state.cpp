// Everything the page shows comes from here: the whole state, the catalog
// check, the cheap live check of the rows, the watch after an action, and the
// in-app update's card.
#include "base/Text.h"
#include "host/frmMain.h"
#include "startup/Encoders.h"

namespace pankor {

std::string frmMain::ClockText() const {
    const DateTime now = d_.platform.system.LocalNow();
    return Pad2(now.hour) + ":" + Pad2(now.minute);
}

void frmMain::PushState() noexcept {
    // Statement by statement: a failed page call never stops the push.
    d_.log.Guard("PushState failed: ", [&] {
        lastAppsJson_ = d_.catalog.AppsJson();
        CallJsStr("setApps", lastAppsJson_);
    });
    d_.log.Guard("PushState failed: ", [&] { CallJsStr("setSkins", d_.catalog.SkinsJson()); });
    d_.log.Guard("PushState failed: ", [&] {
        const std::string own = d_.version.OwnVersion();
        const std::string offered = d_.catalog.SelfVersion;
        CallJsStr("setSelfVersion", own);
        const bool newer = IsNewer(offered, own);
        Log("self=" + own + " catalog=" + offered + " newer=" + TrueFalse(newer) +
            " | sanity 1.0.0.12>1.0.0.9=" + TrueFalse(IsNewer("1.0.0.12", "1.0.0.9")) +
            " 1.0.0.9>1.0.0.12=" + TrueFalse(IsNewer("1.0.0.9", "1.0.0.12")));
        if (!newer) {
            CallJsStr("setSelfUpdate", "");
        } else if (d_.selfUpdate.HasStagedUpdate()) {
            CallJsStr("setSelfUpdateState", "ready");
        } else {
            CallJsStr("setSelfUpdate", offered);
            host_.timers.Enable(TimerId::Stage, kStageIntervalMs);
        }
    });
    CallJs("setAutostart", d_.probe.AutostartEnabled() ? "true" : "false");
    CallJs("setNotify", d_.notify.NotifyEnabled() ? "true" : "false");
    d_.log.Guard("PushState failed: ", [&] {
        CallJs("setTelemetry",
               std::to_string(d_.telemetry.ConsentState()) + ",\"" + JsonEscape(d_.telemetry.TelemetryJson()) + "\"");
    });
}

void frmMain::RefreshStatus() noexcept {
    // A check asked for while one runs (its wait lets commands in) or while an
    // in-app update downloads would empty the model under a running routine:
    // the running work's own push shows the current state soon enough.
    if (refreshing_ || !d_.appUpdate.UpdateBusySlug().empty()) {
        Log("refresh skipped: a check or an update is already running");
        return;
    }
    refreshing_ = true;
    d_.log.Guard("RefreshStatus failed: ", [&] {
        CallJsStr("setStatus", "Checking...");
        d_.pump.Pump();  // lets the page repaint
        if (!d_.catalog.LoadCatalog()) {
            CallJsStr("setStatus", "Couldn't reach " + d_.catalog.PublisherHost());
            return;
        }
        PushState();
        d_.telemetry.SendTelemetryIfDue();
        d_.notify.NotifyUpdates();
        d_.notify.NotifyToyBox();
        CallJsStr("setStatus", "Checked " + ClockText());
    });
    refreshing_ = false;
}

void frmMain::LiveCheck() noexcept {
    if (!pageReady_ || !host_.window.IsVisible()) return;
    // A failed catalog load empties the model but leaves the page as it was:
    // an empty model has no running states for the rows on show, and "[]"
    // would wipe them.
    if (d_.catalog.AppCount == 0 && !lastAppsJson_.empty()) return;
    d_.log.Guard("LiveCheck failed: ", [&] {
        std::string rows = d_.catalog.AppsJson();
        if (rows == lastAppsJson_) return;
        lastAppsJson_ = std::move(rows);
        CallJsStr("setApps", lastAppsJson_);
        Log("live: apps changed, pushed");
    });
}

void frmMain::StartWatch() noexcept {
    watchTicks_ = 0;
    host_.timers.Enable(TimerId::Watch, kWatchIntervalMs);
}

void frmMain::WatchTick() noexcept {
    ++watchTicks_;
    d_.log.Guard("watch failed: ", [&] {
        if (!d_.catalog.RefreshInstalled()) return;
        PushState();
        CallJsStr("setStatus", "Updated " + ClockText());
    });
    // It keeps watching after a change: an uninstaller or installer may take two steps.
    if (watchTicks_ >= kWatchTicks) {
        host_.timers.Disable(TimerId::Watch);
        watchTicks_ = 0;
    }
}

void frmMain::RefreshRows() noexcept {
    d_.catalog.RefreshInstalled();
    PushState();
}

void frmMain::UiBusy(const std::string& slug, const std::string& text) noexcept {
    d_.log.Guard("UiBusy failed: ", [&] { CallJsStr("setBusy", slug + "|" + text); });
}

void frmMain::UiUpdateFailed(const std::string& slug) noexcept { CallJsStr("updateFailed", slug); }

void frmMain::SetProgress(const std::string& slug, int percent) noexcept {
    d_.log.Guard("SetProgress failed: ",
                 [&] { CallJs("setProgress", "\"" + JsonEscape(slug) + "\"," + std::to_string(percent)); });
}

}  // namespace pankor

// What keeps the manager current while nobody looks: the six-hourly check,
// staging the manager's own update, and when a staged update is applied.
#include "base/Switches.h"
#include "host/frmMain.h"
#include "host/frmTray.h"

namespace pankor {

void frmMain::PollTick() noexcept {
    if (++pollTicks_ < kPollTicksPerCheck) return;
    pollTicks_ = 0;
    Log("periodic check (" + std::to_string(kPollTicksPerCheck) + " min)");
    RefreshStatus();
}

void frmMain::StageTick() noexcept {
    host_.timers.Disable(TimerId::Stage);  // first, so a slow staging is never started twice
    d_.log.Guard("tmrStage failed: ", [&] {
        if (d_.selfUpdate.HasStagedUpdate()) return;
        const std::string url = d_.catalog.SelfUrl, version = d_.catalog.SelfVersion;
        if (!IsNewer(version, d_.version.OwnVersion())) return;
        Log("auto-staging self-update " + version);
        if (!d_.selfUpdate.StageSelfUpdate(url, version)) {
            Log("auto-stage failed; pill still offers a manual retry");
            return;
        }
        CallJsStr("setSelfUpdateState", "ready");
        if (host_.window.IsVisible()) {
            // Visible: the user is here; it is applied when the window closes or the manager quits.
            if (HasSwitch("testclose")) {
                Log("CLOSE TEST: staged, now closing the window as the X does");
                CmdClose();
            }
            return;
        }
        Log("hidden in the tray - applying now, not waiting for an exit");
        d_.selfUpdate.ApplyStagedUpdate();
    });
}

void frmMain::CmdClose() noexcept {
    host_.window.Hide();
    if (!d_.selfUpdate.HasStagedUpdate()) return;
    Log("window closed with an update staged - applying it");
    d_.selfUpdate.ApplyStagedUpdate();
}

void frmMain::ShowFromTray(const std::string& tabName) noexcept {
    host_.window.Show();
    if (host_.window.IsMinimised()) host_.window.Restore();
    host_.window.Activate();
    StopFlash();
    LiveCheck();
    if (!tabName.empty()) CallJsStr("showTabExternal", tabName);
}

void frmMain::FlashIfBackground() noexcept {
    if (!host_.window.IsVisible() || host_.window.IsForeground()) return;
    host_.window.Flash(true);
    Log("flashing taskbar button");
}

void frmMain::StopFlash() noexcept { host_.window.Flash(false); }

void frmMain::Balloon(const std::string& heading, const std::string& body, const std::string& targetTab) noexcept {
    tray_.Balloon(heading, body, targetTab);
}

}  // namespace pankor

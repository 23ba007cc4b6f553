// The window and its page: load, size, navigation and the watchdog, the
// moment the page is ready, icons, dragging and quitting.
#include "host/frmMain.h"

#include "base/Paths.h"
#include "base/Switches.h"
#include "base/Text.h"
#include "host/frmTray.h"

namespace pankor {

int TimerInterval(TimerId id) noexcept {
    switch (id) {
        case TimerId::Nav: return kNavIntervalMs;
        case TimerId::Boot: return kBootIntervalMs;
        case TimerId::Handoff: return kHandoffIntervalMs;
        case TimerId::Live: return kLiveIntervalMs;
        case TimerId::Watch: return kWatchIntervalMs;
        case TimerId::Stage: return kStageIntervalMs;
        case TimerId::Poll: return kPollIntervalMs;
    }
    return kPollIntervalMs;
}

frmMain::frmMain(const MainWindowDeps& deps, const MainWindowHost& host, frmTray& tray) noexcept
    : d_(deps), host_(host), tray_(tray) {}

bool frmMain::HasSwitch(std::string_view name) const {
    return pankor::HasSwitch(d_.platform.system.CommandLine(), name);
}

void frmMain::Open() noexcept {
    Load();
    d_.log.Guard("Open failed: ", [&] {
        if (!HasSwitch("/tray")) host_.window.Show();
    });
}

void frmMain::Load() noexcept {
    // Each step runs even when the one before it failed.
    ApplyExeIcon();
    d_.log.Guard("Load failed: ", [&] {
        const Status created = host_.browser.Create(*this);
        Log("Controls.Add err=" + std::to_string(created.ok() ? 0 : created.code()) + " " +
            (created.ok() ? std::string() : created.error()));
    });
    host_.browser.FitToWindow();
    host_.browser.SetSilent(true);
    SizeWindow();
    NavigateUi();
    host_.timers.Enable(TimerId::Nav, kNavIntervalMs);
    tray_.Load();
    d_.log.Guard("Load failed: ", [&] {
        if (!HasSwitch("/tray")) return;
        host_.window.Hide();
        Log("started hidden (/tray)");
    });
}

void frmMain::SizeWindow() noexcept {
    d_.log.Guard("SizeWindow failed: ", [&] {
        const int percent = d_.main.DpiPercent();
        int width = percent * 920 / 100;
        int height = percent * 620 / 100;
        const PixelSize screen = host_.window.ScreenSize();
        width = std::min(width, screen.width * 92 / 100);
        height = std::min(height, screen.height * 92 / 100);
        host_.window.Place((screen.width - width) / 2, (screen.height - height) / 2, width, height);
        Log("dpi " + std::to_string(percent) + "% -> window " + std::to_string(width) + "x" + std::to_string(height));
    });
}

void frmMain::NavigateUi() noexcept {
    d_.log.Guard("NavigateUi failed: ", [&] {
        const char sep = d_.platform.fs.Separator();
        const std::string page = JoinPath(JoinPath(d_.process.RunDir, "ui", sep), "index.html", sep);
        const Status navigated = host_.browser.Navigate(page);
        Log("Navigate2 -> " + page + " err=" + std::to_string(navigated.ok() ? 0 : navigated.code()));
    });
}

void frmMain::NavTick() noexcept {
    ++navTicks_;
    d_.log.Guard("watchdog failed: ", [&] {
        const int readyState = host_.browser.ReadyState();
        const std::string location = host_.browser.Location();
        if (pageReady_) {
            host_.timers.Disable(TimerId::Nav);
        } else if (navTicks_ >= kNavGiveUpTicks) {
            host_.timers.Disable(TimerId::Nav);
            Log("watchdog gave up, readyState=" + std::to_string(readyState) + " loc=" + location);
        } else if (!ContainsNoCase(location, "index.html")) {
            if (navTicks_ % 3 == 0) NavigateUi();
        } else if (readyState == 4) {
            Log("watchdog: ready without event");
            OnUiReady();
        }
    });
}

void frmMain::OnUiReady() noexcept {
    if (pageReady_) return;
    pageReady_ = true;
    host_.timers.Disable(TimerId::Nav);
    ApplyDpiToUi();
    host_.timers.Enable(TimerId::Boot, kBootIntervalMs);
}

void frmMain::ApplyDpiToUi() noexcept {
    d_.log.Guard("ApplyDpiToUi failed: ", [&] {
        const std::string percent = std::to_string(d_.main.DpiPercent());
        CallJs("setDpi", percent);
        Log("ui scaled to " + percent + "%");
    });
}

void frmMain::OnResize() noexcept { host_.browser.FitToWindow(); }

void frmMain::DragWindow() noexcept { host_.window.BeginDrag(); }

void frmMain::ApplyExeIcon() noexcept {
    d_.log.Guard("ApplyExeIcon failed: ", [&] {
        const IconHandle big = d_.icons.OwnLargeIcon();
        const IconHandle small = d_.icons.OwnSmallIcon();
        Log("ApplyExeIcon big=" + std::to_string(big) + " small=" + std::to_string(small) +
            " hwnd=" + std::to_string(host_.window.Handle()));
        // The handles stay with the window for its life.
        host_.window.SetIcons(big > 1 ? big : 0, small > 1 ? small : 0);
    });
}

void frmMain::QuitApp() noexcept {
    tray_.RemoveIcon();
    host_.loop.UnloadWindows();
    d_.selfUpdate.ApplyStagedUpdate();
    host_.loop.EndProcess();
}

void frmMain::OnTimer(TimerId id) noexcept {
    switch (id) {
        case TimerId::Nav: NavTick(); break;
        case TimerId::Boot: BootTick(); break;
        case TimerId::Handoff: HandoffTick(); break;
        case TimerId::Live: LiveCheck(); break;
        case TimerId::Watch: WatchTick(); break;
        case TimerId::Stage: StageTick(); break;
        case TimerId::Poll: PollTick(); break;
    }
}

}  // namespace pankor

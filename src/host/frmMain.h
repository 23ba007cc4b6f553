#pragma once
// The main window: it hosts the page, runs the boot sequence, carries the
// page's commands to the modules, pushes state into the page, and owns the
// seven timers. The window, browser and timers themselves are the host's.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "apps/modApps.h"
#include "apps/modIcons.h"
#include "apps/modProbe.h"
#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "core/modVersion.h"
#include "notify/INotifyUi.h"
#include "notify/modNotify.h"
#include "platform/Platform.h"
#include "platform/host/IBrowser.h"
#include "platform/host/IHostLoop.h"
#include "platform/host/IMessagePump.h"
#include "platform/host/ITimers.h"
#include "platform/host/IWindow.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"
#include "startup/modInstance.h"
#include "startup/modMain.h"
#include "telemetry/modIssue.h"
#include "telemetry/modTelemetry.h"
#include "trust/modHash.h"
#include "trust/modSign.h"
#include "update/IUpdateUi.h"
#include "update/modAppUpdate.h"
#include "update/modSelfUpdate.h"
#include "update/modUpdate.h"

namespace pankor {

class frmTray;

// The timers' fixed intervals.
inline constexpr int kNavIntervalMs = 400;
inline constexpr int kBootIntervalMs = 250;
inline constexpr int kHandoffIntervalMs = 1000;
inline constexpr int kLiveIntervalMs = 2000;
inline constexpr int kWatchIntervalMs = 2500;
inline constexpr int kStageIntervalMs = 4000;
inline constexpr int kPollIntervalMs = 60000;
int TimerInterval(TimerId id) noexcept;

// The watchdog gives up after this many ticks; the watch runs this many.
inline constexpr int kNavGiveUpTicks = 26;
inline constexpr int kWatchTicks = 49;
// Poll ticks between two periodic checks (six hours of minutes).
inline constexpr int kPollTicksPerCheck = 360;

// The window uses nearly every module: it is where the page meets them.
struct MainWindowDeps {
    Platform& platform;
    IMessagePump& pump;
    ProcessValues& process;
    Log& log;
    modFile& file;
    modVersion& version;
    modHash& hash;
    modSign& sign;
    modIcons& icons;
    modProbe& probe;
    modCatalog& catalog;
    modInstance& instance;
    modMain& main;
    modApps& apps;
    modUpdate& update;
    modAppUpdate& appUpdate;
    modSelfUpdate& selfUpdate;
    modTelemetry& telemetry;
    modIssue& issue;
    modNotify& notify;
};
class Pankor;
// The application object's modules, as the window takes them.
MainWindowDeps MainWindowDepsOf(Pankor& app) noexcept;

// The window's own services from the host.
struct MainWindowHost {
    IWindow& window;
    IBrowser& browser;
    ITimers& timers;
    IHostLoop& loop;
};

class frmMain final : public IBrowserEvents, public ITimerEvents, public IUpdateUi, public INotifyUi {
public:
    frmMain(const MainWindowDeps& deps, const MainWindowHost& host, frmTray& tray) noexcept;

    // The load handler, then shown unless started with "/tray".
    void Open() noexcept;

    // Window and page (load, size, navigation, readiness).
    void Load() noexcept;
    void SizeWindow() noexcept;
    void NavigateUi() noexcept;
    void OnUiReady() noexcept;
    void ApplyDpiToUi() noexcept;
    void OnResize() noexcept;
    void DragWindow() noexcept;
    void QuitApp() noexcept;
    void ApplyExeIcon() noexcept;

    // The bridge.
    void DispatchCommand(std::string_view text) noexcept;
    void CallJs(std::string_view name, std::string_view args) noexcept;
    void CallJsStr(std::string_view name, std::string_view text) noexcept;
    void OnBeforeNavigate(const std::string& url, bool& cancel) noexcept override;
    void OnDocumentComplete(const std::string& url) noexcept override;
    void OnNavigateError(const std::string& url) noexcept override;

    // Boot and the requests of later starts.
    void FirstRunWelcome() noexcept;
    void ApplyTabArg() noexcept;
    void RunExternalCommand(const std::string& command) noexcept;
    void BringToFront() noexcept;
    void ShowInstalled(const std::string& slug) noexcept;

    // State for the page.
    void PushState() noexcept;
    void RefreshStatus() noexcept;
    void LiveCheck() noexcept;
    void StartWatch() noexcept;
    void RefreshRows() noexcept override;
    void UiBusy(const std::string& slug, const std::string& text) noexcept override;
    void UiUpdateFailed(const std::string& slug) noexcept override;
    void SetProgress(const std::string& slug, int percent) noexcept override;

    // The page's commands.
    void CmdUninstall(const std::string& slug) noexcept;
    void CmdStart(const std::string& slug) noexcept;
    void CmdBackup() noexcept;
    void CmdRestore() noexcept;
    void CmdUpdate(const std::string& slug) noexcept;
    void CmdNotes(const std::string& slug) noexcept;
    void CmdSelfUpdate() noexcept;
    void CmdIssue() noexcept;
    void CmdClose() noexcept;

    // From the tray and the notifications.
    void ShowFromTray(const std::string& tabName = "") noexcept;
    void FlashIfBackground() noexcept override;
    void StopFlash() noexcept;
    void Balloon(const std::string& heading, const std::string& body, const std::string& targetTab) noexcept override;

    void OnTimer(TimerId id) noexcept override;

    bool PageReady() const noexcept { return pageReady_; }

    struct CommandHandler {
        std::string_view name;  // lower case
        void (*run)(frmMain&, const std::string& arg);
    };
    static std::span<const CommandHandler> Handlers() noexcept;

private:
    void NavTick() noexcept;
    void BootTick() noexcept;
    void HandoffTick() noexcept;
    void WatchTick() noexcept;
    void PollTick() noexcept;
    void StageTick() noexcept;
    void RunSelfTests() noexcept;
    void IssueSelfTest() noexcept;
    void HashSelfTest() noexcept;
    void MetricsSelfTest() noexcept;
    void SelfUpdateSelfTest() noexcept;

    bool HasSwitch(std::string_view name) const;
    const CatalogApp* FindApp(const std::string& slug) const noexcept;
    // The publisher's site: its scheme and host with the path "/".
    std::string SiteRoot() const;
    std::string ClockText() const;  // "hh:nn"
    void Log(std::string_view line) const noexcept { d_.log.DebugLog(line); }

    MainWindowDeps d_;
    MainWindowHost host_;
    frmTray& tray_;

    bool pageReady_ = false;
    int navTicks_ = 0;
    int watchTicks_ = 0;
    int pollTicks_ = 0;
    std::string lastAppsJson_;
    bool refreshing_ = false;  // a check runs (its wait lets commands in)
};

// "True" / "False", as log lines write Booleans.
inline const char* TrueFalse(bool b) noexcept { return b ? "True" : "False"; }

}  // namespace pankor

// Entry point of the Linux host: the same start-up as the Windows product,
// then a borderless GTK window with the page in WebKitGTK, carried by the
// GLib main loop until the page's "quit" ends the process.
#include <gtk/gtk.h>

#include <string>

#include "DesktopTray.h"
#include "GlibTimers.h"
#include "GtkHost.h"
#include "GtkMainWindow.h"
#include "HostGate.h"
#include "WebKitBrowser.h"
#include "host/frmMain.h"
#include "host/frmTray.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxSystem.h"
#include "startup/Pankor.h"

namespace {

// The two windows know each other; neither is used before both exist.
struct Windows {
    Windows(pankor::Pankor& app, const pankor::MainWindowHost& host, pankor::ITrayIcon& trayIcon) noexcept
        : tray(trayIcon, app.icons, host.window, main, app.log), main(pankor::MainWindowDepsOf(app), host, tray) {}
    pankor::frmTray tray;
    pankor::frmMain main;
};

// WebKit's caches and website data: the user's cache folder, never the
// manager's data folder.
std::string WebKitCacheFolder() {
    const gchar* cache = g_get_user_cache_dir();
    return std::string(cache != nullptr ? cache : "/tmp") + "/pankor/webkit";
}

int RunFirstCopy(pankor::Pankor& app, pankor::linuxhost::GtkFolderPicker& picker) {
    using namespace pankor::linuxhost;
    // gtk_init_check reads no switches: ours are read from the raw command line.
    if (!gtk_init_check(nullptr, nullptr)) {
        app.log.DebugLog("Main: no display - the window cannot open");
        return 0;
    }
    const ScreenMetrics screen = ReadScreenMetrics();
    if (auto* system = dynamic_cast<pankor::LinuxSystem*>(&app.platform.system))
        system->SetScreen(screen.dpi, screen.size);

    HostGate gate;
    GtkMainWindow window;
    WebKitBrowser browser(window, gate, WebKitCacheFolder(), screen.dpi);
    GlibTimers timers(gate);
    DesktopTray trayIcon(gate);
    GtkHostLoop loop(window, trayIcon);
    picker.SetParent(&window);

    Windows windows(app, pankor::MainWindowHost{window, browser, timers, loop}, trayIcon);
    timers.SetEvents(&windows.main);
    app.windows.Attach(&windows.main, &windows.main);

    windows.main.Open();
    gtk_main();  // until the page's "quit", which ends the process itself
    app.windows.Attach(nullptr, nullptr);
    return 0;
}

}  // namespace

int main() {
    try {
        pankor::NativePlatform native;
        pankor::linuxhost::GtkPump pump;
        pankor::linuxhost::GtkFolderPicker picker;
        pankor::Pankor app(native.Get(), pankor::HostServices{pump, picker});
        // A second copy hands its request over and ends, with no display needed.
        if (!app.main.Main()) return 0;
        return RunFirstCopy(app, picker);
    } catch (...) {
        // Only running out of memory while building the platform gets here.
        return 1;
    }
}

#pragma once
// The first copy's windows: the main window with its browser and timers, the
// tray window, and the core's two forms over them.
#include "platform/win32/Win32Windows.h"

#include "host/frmMain.h"
#include "host/frmTray.h"
#include "platform/win32/host/Win32Browser.h"
#include "platform/win32/host/Win32FolderPicker.h"
#include "platform/win32/host/Win32HostLoop.h"
#include "platform/win32/host/Win32MainWindow.h"
#include "platform/win32/host/Win32TrayIcon.h"
#include "startup/Pankor.h"

namespace pankor::winapp {

// The browser-emulation and local-script values for the running executable's
// own name too, when it is not "Pankor.exe" (a development build or copy).
void SetBrowserFeaturesForOwnName(Pankor& app) noexcept;

class FirstCopy final : win32host::IMainWindowEvents {
public:
    FirstCopy(Pankor& app, HINSTANCE instance, win32host::HostLoop& loop, win32host::FolderPicker& picker) noexcept;
    ~FirstCopy() override;
    FirstCopy(const FirstCopy&) = delete;
    FirstCopy& operator=(const FirstCopy&) = delete;

    // Loads and shows the window (unless "/tray"), then carries the process
    // until both windows are gone; the exit code.
    int Run() noexcept;

private:
    void OnResized() noexcept override { main_.OnResize(); }
    void OnFocused() noexcept override { browser_.TakeFocus(); }
    void OnUnloading() noexcept override;  // the main window's
    void TrayUnloading() noexcept { tray_.RemoveIcon(); }

    // The tray window's unload handler, kept apart from the main window's.
    struct TrayEvents final : win32host::ITrayWindowEvents {
        explicit TrayEvents(FirstCopy& f) noexcept : first(f) {}
        void OnUnloading() noexcept override { first.TrayUnloading(); }
        FirstCopy& first;
    };

    Pankor& app_;
    win32host::HostLoop& loop_;
    win32host::FolderPicker& picker_;
    win32host::MainWindow window_;
    win32host::Browser browser_;
    win32host::TrayIcon trayIcon_;
    TrayEvents trayEvents_{*this};
    frmTray tray_;
    frmMain main_;
};

}  // namespace pankor::winapp

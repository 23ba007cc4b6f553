#pragma once
// The host's loop services on GTK: the message pump that long waits call,
// the folder dialog, and what "quit" does to the windows and the process.
#include <gtk/gtk.h>

#include "DesktopTray.h"
#include "GtkMainWindow.h"
#include "platform/host/IFolderPicker.h"
#include "platform/host/IHostLoop.h"
#include "platform/host/IMessagePump.h"

namespace pankor::linuxhost {

class GtkPump final : public IMessagePump {
public:
    // Dispatches what is ready now and returns; never blocks for more.
    void Pump() noexcept override;
};

class GtkFolderPicker final : public IFolderPicker {
public:
    void SetParent(GtkMainWindow* window) noexcept { parent_ = window; }
    std::string PickFolder(const std::string& prompt) noexcept override;

private:
    GtkMainWindow* parent_ = nullptr;
};

class GtkHostLoop final : public IHostLoop {
public:
    GtkHostLoop(GtkMainWindow& window, DesktopTray& tray) noexcept : window_(window), tray_(tray) {}
    void UnloadWindows() noexcept override;
    // Ends the process at once; WebKit's own processes end when it does.
    [[noreturn]] void EndProcess() noexcept override;

private:
    GtkMainWindow& window_;
    DesktopTray& tray_;
};

}  // namespace pankor::linuxhost

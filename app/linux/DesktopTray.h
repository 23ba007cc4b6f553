#pragma once
// The notification-area icon and its balloons on a Linux desktop: a status
// icon where the desktop has a tray (an X11 system-tray host), and desktop
// notifications (libnotify) for balloons. Where neither exists, as on a bare
// X server, adding fails and the core skips balloons quietly.
#include <gtk/gtk.h>
#include <libnotify/notify.h>

#include "HostGate.h"
#include "platform/host/ITrayIcon.h"

namespace pankor::linuxhost {

class DesktopTray final : public ITrayIcon {
public:
    explicit DesktopTray(HostGate& gate) noexcept : gate_(gate) {}
    ~DesktopTray() override;
    DesktopTray(const DesktopTray&) = delete;
    DesktopTray& operator=(const DesktopTray&) = delete;

    // True when the desktop has a tray or a notification service.
    bool Add(IconHandle icon, const std::string& tip, ITrayEvents& events) noexcept override;
    // There are no behaviour versions here: nothing is asked, nothing granted (0).
    int SetVersion(int version) noexcept override;
    // 1 when the notification service took the balloon, 0 when it is missing or refused.
    int Balloon(const std::string& heading, const std::string& body, int timeoutMs) noexcept override;
    void Remove() noexcept override;
    // No system record is filled on this host: the log line shows 0.
    int RecordSize() const noexcept override { return 0; }

    bool HasStatusIcon() const noexcept { return statusIcon_ != nullptr; }
    bool HasNotifications() const noexcept { return notifications_; }

private:
    static void OnActivate(GObject*, gpointer self) noexcept;
    static void OnPopupMenu(GObject*, guint, guint, gpointer self) noexcept;
    static void OnBalloonClicked(NotifyNotification*, char*, gpointer self) noexcept;
    void Report(int code) noexcept;

    HostGate& gate_;
    ITrayEvents* events_ = nullptr;
    GObject* statusIcon_ = nullptr;  // GtkStatusIcon, deprecated in GTK 3 but the simplest tray entry
    bool notifications_ = false;
    NotifyNotification* balloon_ = nullptr;
};

// True when an X11 system-tray host owns this screen's tray selection.
bool DesktopHasTray() noexcept;

}  // namespace pankor::linuxhost

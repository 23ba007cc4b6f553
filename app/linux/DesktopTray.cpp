#include "DesktopTray.h"

#include <string>

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace pankor::linuxhost {

namespace {
constexpr const char* kIconName = "system-software-install";
}

bool DesktopHasTray() noexcept {
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return false;
    Display* x = gdk_x11_display_get_xdisplay(display);
    const std::string selection =
        "_NET_SYSTEM_TRAY_S" + std::to_string(gdk_x11_screen_get_screen_number(gdk_screen_get_default()));
    const Atom atom = XInternAtom(x, selection.c_str(), False);
    return atom != None && XGetSelectionOwner(x, atom) != None;
#else
    return false;
#endif
}

DesktopTray::~DesktopTray() { Remove(); }

bool DesktopTray::Add(IconHandle, const std::string& tip, ITrayEvents& events) noexcept {
    events_ = &events;
    if (statusIcon_ == nullptr && DesktopHasTray()) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        GtkStatusIcon* icon = gtk_status_icon_new_from_icon_name(kIconName);
        gtk_status_icon_set_tooltip_text(icon, tip.c_str());
        gtk_status_icon_set_title(icon, tip.c_str());
        gtk_status_icon_set_visible(icon, TRUE);
        G_GNUC_END_IGNORE_DEPRECATIONS
        statusIcon_ = G_OBJECT(icon);
        g_signal_connect(statusIcon_, "activate", G_CALLBACK(OnActivate), this);
        g_signal_connect(statusIcon_, "popup-menu", G_CALLBACK(OnPopupMenu), this);
    }
    // A notification service answers on the session bus; none answers on a bare server.
    if (!notifications_ && (notify_is_initted() || notify_init(tip.c_str()))) {
        char *name = nullptr, *vendor = nullptr, *version = nullptr, *spec = nullptr;
        notifications_ = notify_get_server_info(&name, &vendor, &version, &spec) != FALSE;
        g_free(name);
        g_free(vendor);
        g_free(version);
        g_free(spec);
    }
    return statusIcon_ != nullptr || notifications_;
}

int DesktopTray::SetVersion(int) noexcept { return 0; }

int DesktopTray::Balloon(const std::string& heading, const std::string& body, int timeoutMs) noexcept {
    if (!notifications_) return 0;
    // One notification object: a new balloon replaces the one on show.
    if (balloon_ == nullptr) {
        balloon_ = notify_notification_new(heading.c_str(), body.c_str(), kIconName);
        if (balloon_ == nullptr) return 0;
        notify_notification_add_action(balloon_, "default", "Open Pankor", OnBalloonClicked, this, nullptr);
    } else {
        notify_notification_update(balloon_, heading.c_str(), body.c_str(), kIconName);
    }
    notify_notification_set_timeout(balloon_, timeoutMs);
    GError* error = nullptr;
    const gboolean shown = notify_notification_show(balloon_, &error);
    if (error != nullptr) g_error_free(error);
    return shown ? 1 : 0;
}

void DesktopTray::Remove() noexcept {
    if (statusIcon_ != nullptr) {
        g_signal_handlers_disconnect_by_data(statusIcon_, this);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_status_icon_set_visible(GTK_STATUS_ICON(statusIcon_), FALSE);
        G_GNUC_END_IGNORE_DEPRECATIONS
        g_object_unref(statusIcon_);
        statusIcon_ = nullptr;
    }
    if (balloon_ != nullptr) {
        g_signal_handlers_disconnect_by_data(balloon_, this);
        notify_notification_close(balloon_, nullptr);
        g_object_unref(balloon_);
        balloon_ = nullptr;
    }
}

// A left click activates the icon; a right click asks for its menu. Neither
// has a menu here: both open the window, as the core decides.
void DesktopTray::OnActivate(GObject*, gpointer self) noexcept {
    static_cast<DesktopTray*>(self)->Report(kTrayLeftButtonUp);
}

void DesktopTray::OnPopupMenu(GObject*, guint, guint, gpointer self) noexcept {
    static_cast<DesktopTray*>(self)->Report(kTrayRightButtonUp);
}

void DesktopTray::OnBalloonClicked(NotifyNotification*, char*, gpointer self) noexcept {
    static_cast<DesktopTray*>(self)->Report(kTrayBalloonClicked);
}

void DesktopTray::Report(int code) noexcept {
    gate_.Deliver([this, code] {
        if (events_ != nullptr) events_->OnTrayEvent(code);
    });
}

}  // namespace pankor::linuxhost

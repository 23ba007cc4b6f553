#include "GtkMainWindow.h"

#include <algorithm>
#include <cmath>

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace pankor::linuxhost {

namespace {

constexpr int kDesignWidth = 920;  // the design client area at 96 dpi
constexpr int kDesignHeight = 620;

GdkMonitor* PrimaryMonitor(GdkDisplay* display) noexcept {
    if (display == nullptr) return nullptr;
    GdkMonitor* m = gdk_display_get_primary_monitor(display);
    return m != nullptr ? m : gdk_display_get_monitor(display, 0);  // Xvfb names no primary
}

}  // namespace

ScreenMetrics ReadScreenMetrics() noexcept {
    ScreenMetrics out;
    GdkMonitor* monitor = PrimaryMonitor(gdk_display_get_default());
    if (monitor == nullptr) return out;
    out.scale = std::max(1, gdk_monitor_get_scale_factor(monitor));
    GdkRectangle area{};
    gdk_monitor_get_geometry(monitor, &area);
    out.size = {area.width * out.scale, area.height * out.scale};
    // The font resolution (Xft.dpi) is the desktop's text scale; the scale
    // factor multiplies everything on top of it.
    const double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
    out.dpi = static_cast<int>(std::lround((resolution > 0 ? resolution : 96.0) * out.scale));
    return out;
}

GtkMainWindow::GtkMainWindow() noexcept {
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    window_ = GTK_WINDOW(w);
    gtk_window_set_title(window_, "Pankor");
    gtk_window_set_decorated(window_, FALSE);  // the page draws its own title area
    gtk_window_set_default_size(window_, kDesignWidth, kDesignHeight);
    gtk_window_set_icon_name(window_, "system-software-install");
    g_signal_connect(w, "window-state-event", G_CALLBACK(OnWindowState), this);
    g_signal_connect(w, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(w, "destroy", G_CALLBACK(OnDestroy), this);
    gtk_widget_realize(w);  // a system handle for the log from the start
}

GtkMainWindow::~GtkMainWindow() { Destroy(); }

void GtkMainWindow::Destroy() noexcept {
    if (window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(window_));  // OnDestroy clears window_
}

void GtkMainWindow::OnDestroy(GtkWidget*, gpointer self) noexcept {
    static_cast<GtkMainWindow*>(self)->window_ = nullptr;
}

gboolean GtkMainWindow::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) noexcept {
    static_cast<GtkMainWindow*>(self)->minimised_ = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    return FALSE;
}

// A close asked for by the desktop (Alt+F4, the task bar) hides the window:
// the manager stays reachable from the tray and from a second start.
gboolean GtkMainWindow::OnDelete(GtkWidget* w, GdkEvent*, gpointer) noexcept {
    gtk_widget_hide(w);
    return TRUE;
}

int GtkMainWindow::Scale() const noexcept {
    return window_ == nullptr ? 1 : std::max(1, gtk_widget_get_scale_factor(GTK_WIDGET(window_)));
}

void GtkMainWindow::Show() noexcept {
    if (window_ != nullptr) gtk_widget_show(GTK_WIDGET(window_));
}

void GtkMainWindow::Hide() noexcept {
    if (window_ != nullptr) gtk_widget_hide(GTK_WIDGET(window_));
}

bool GtkMainWindow::IsVisible() const noexcept {
    return window_ != nullptr && gtk_widget_get_visible(GTK_WIDGET(window_));
}

void GtkMainWindow::Minimise() noexcept {
    if (window_ != nullptr) gtk_window_iconify(window_);
}

void GtkMainWindow::Restore() noexcept {
    if (window_ != nullptr) gtk_window_deiconify(window_);
}

void GtkMainWindow::Place(int x, int y, int width, int height) noexcept {
    if (window_ == nullptr) return;
    const int s = Scale();
    gtk_window_move(window_, x / s, y / s);
    gtk_window_resize(window_, std::max(1, width / s), std::max(1, height / s));
}

PixelSize GtkMainWindow::ClientSize() const noexcept {
    if (window_ == nullptr) return {};
    int w = 0, h = 0;
    if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(window_)); child != nullptr && gtk_widget_get_realized(child)) {
        w = gtk_widget_get_allocated_width(child);
        h = gtk_widget_get_allocated_height(child);
    } else {
        gtk_window_get_size(window_, &w, &h);
    }
    return {w * Scale(), h * Scale()};
}

PixelSize GtkMainWindow::ScreenSize() const noexcept { return ReadScreenMetrics().size; }

bool GtkMainWindow::IsForeground() const noexcept { return window_ != nullptr && gtk_window_is_active(window_); }

void GtkMainWindow::SetForeground() noexcept {
    if (window_ != nullptr) gtk_window_present(window_);
}

void GtkMainWindow::Activate() noexcept {
    if (window_ != nullptr) gtk_window_present(window_);
}

// The desktop's "needs attention" hint is what flashes a task-bar entry here.
void GtkMainWindow::Flash(bool on) noexcept {
    if (window_ != nullptr) gtk_window_set_urgency_hint(window_, on ? TRUE : FALSE);
}

void GtkMainWindow::NotePress(const GdkEventButton& press) noexcept {
    lastPress_ = {static_cast<int>(press.button), static_cast<int>(press.x_root), static_cast<int>(press.y_root),
                  press.time};
}

void GtkMainWindow::BeginDrag() noexcept {
    // The page asks on mouse-down: the press it answers is the last one seen.
    if (window_ == nullptr || lastPress_.button == 0) return;
    gtk_window_begin_move_drag(window_, lastPress_.button, lastPress_.xRoot, lastPress_.yRoot, lastPress_.time);
}

// Icon handles are always 0 here (the executable carries no icon): the
// window keeps the theme icon it was given.
void GtkMainWindow::SetIcons(IconHandle, IconHandle) noexcept {}

std::uintptr_t GtkMainWindow::Handle() const noexcept {
    if (window_ == nullptr) return 0;
#ifdef GDK_WINDOWING_X11
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_));
    if (gdk != nullptr && GDK_IS_X11_WINDOW(gdk)) return gdk_x11_window_get_xid(gdk);
#endif
    return reinterpret_cast<std::uintptr_t>(window_);
}

}  // namespace pankor::linuxhost

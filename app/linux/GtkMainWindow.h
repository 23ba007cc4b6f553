#pragma once
// The main window on GTK 3: one borderless top-level window that the web view
// fills. The core speaks physical pixels; GTK places windows in logical ones,
// so every size passes through the monitor's scale factor.
#include <gtk/gtk.h>

#include "platform/host/IWindow.h"

namespace pankor::linuxhost {

// The screen as the core wants it: logical pixels per inch times the scale
// factor (96 when the desktop does not say), and the primary monitor's size.
struct ScreenMetrics {
    int dpi = 96;
    PixelSize size;
    int scale = 1;
};
ScreenMetrics ReadScreenMetrics() noexcept;

class GtkMainWindow final : public IWindow {
public:
    GtkMainWindow() noexcept;
    ~GtkMainWindow() override;
    GtkMainWindow(const GtkMainWindow&) = delete;
    GtkMainWindow& operator=(const GtkMainWindow&) = delete;

    void Show() noexcept override;
    void Hide() noexcept override;
    bool IsVisible() const noexcept override;
    bool IsMinimised() const noexcept override { return minimised_; }
    void Minimise() noexcept override;
    void Restore() noexcept override;
    void Place(int x, int y, int width, int height) noexcept override;
    PixelSize ClientSize() const noexcept override;
    PixelSize ScreenSize() const noexcept override;
    bool IsForeground() const noexcept override;
    void SetForeground() noexcept override;
    void Activate() noexcept override;
    void Flash(bool on) noexcept override;
    void BeginDrag() noexcept override;
    void SetIcons(IconHandle big, IconHandle small) noexcept override;
    IconHandle DefaultIcon() const noexcept override { return 0; }  // no icon handles on this host
    std::uintptr_t Handle() const noexcept override;

    // The GTK window, until it is destroyed (then null).
    GtkWindow* Get() const noexcept { return window_; }
    // Destroys the window and everything in it (the web view goes with it).
    void Destroy() noexcept;
    // The web view reports the mouse presses here: a drag starts from the last one.
    void NotePress(const GdkEventButton& press) noexcept;

private:
    static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) noexcept;
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) noexcept;
    static void OnDestroy(GtkWidget*, gpointer self) noexcept;
    int Scale() const noexcept;

    GtkWindow* window_ = nullptr;
    bool minimised_ = false;
    struct Press {
        int button = 0;
        int xRoot = 0, yRoot = 0;
        guint32 time = 0;
    } lastPress_;
};

}  // namespace pankor::linuxhost

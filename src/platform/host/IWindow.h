#pragma once
// The main window as the core drives it: one borderless top-level window the
// page fills. Sizes and positions are in physical pixels.
#include <cstdint>

#include "platform/IIcons.h"
#include "platform/ISystem.h"

namespace pankor {

class IWindow {
public:
    virtual ~IWindow() = default;
    virtual void Show() noexcept = 0;
    virtual void Hide() noexcept = 0;
    virtual bool IsVisible() const noexcept = 0;
    virtual bool IsMinimised() const noexcept = 0;
    virtual void Minimise() noexcept = 0;
    // Back to its normal size from minimised.
    virtual void Restore() noexcept = 0;
    // Moves and sizes the window without changing its z-order or activating it.
    virtual void Place(int x, int y, int width, int height) noexcept = 0;
    virtual PixelSize ClientSize() const noexcept = 0;
    // The primary screen's size in pixels.
    virtual PixelSize ScreenSize() const noexcept = 0;
    virtual bool IsForeground() const noexcept = 0;
    // Asks the system to make this the foreground window (it may refuse).
    virtual void SetForeground() noexcept = 0;
    // Gives the window the input focus and puts it on top of the others.
    virtual void Activate() noexcept = 0;
    // Flashes the caption and taskbar button until the window comes forward;
    // false stops it.
    virtual void Flash(bool on) noexcept = 0;
    // Lets the system move the window with the mouse, as if its caption were
    // held (the page draws its own title area).
    virtual void BeginDrag() noexcept = 0;
    // 0 or 1 leaves that icon as it is.
    virtual void SetIcons(IconHandle big, IconHandle small) noexcept = 0;
    // The window's own icon, which the tray falls back on.
    virtual IconHandle DefaultIcon() const noexcept = 0;
    // The system's handle, for log lines.
    virtual std::uintptr_t Handle() const noexcept = 0;
};

}  // namespace pankor

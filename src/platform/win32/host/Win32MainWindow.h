#pragma once
// The main window: borderless, captioned "Pankor", filled by the browser
// control; it also carries the seven timers (SetTimer on this window).
#include "platform/win32/Win32Windows.h"

#include <array>

#include "platform/host/ITimers.h"
#include "platform/host/IWindow.h"
#include "platform/win32/host/Win32HostWindow.h"

namespace pankor::win32host {

inline constexpr const wchar_t* kMainWindowClass = L"Pankor.Main";
inline constexpr const wchar_t* kMainWindowCaption = L"Pankor";

// What the window's own handlers do (the core's resize and unload handlers).
class IMainWindowEvents {
public:
    virtual ~IMainWindowEvents() = default;
    virtual void OnResized() noexcept = 0;
    virtual void OnUnloading() noexcept = 0;
    // The window got the keyboard focus: the page should have it.
    virtual void OnFocused() noexcept {}
};

class MainWindow final : public HostWindow, public IWindow, public ITimers {
public:
    // The window exists (hidden) once this returns, unless the system
    // refused it: see Exists().
    MainWindow(HINSTANCE instance, HostLoop& loop) noexcept;
    ~MainWindow() override {
        Destroy();
        if (background_) DeleteObject(background_);
    }

    void SetEvents(IMainWindowEvents* events, ITimerEvents* timerEvents) noexcept {
        events_ = events;
        timerEvents_ = timerEvents;
    }

    // IWindow
    void Show() noexcept override;
    void Hide() noexcept override;
    bool IsVisible() const noexcept override;
    bool IsMinimised() const noexcept override;
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
    IconHandle DefaultIcon() const noexcept override;
    std::uintptr_t Handle() const noexcept override;

    // ITimers
    void Enable(TimerId id, int intervalMs) noexcept override;
    void Disable(TimerId id) noexcept override;
    bool IsEnabled(TimerId id) const noexcept override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
    void OnUnload() noexcept override;
    void OnTimerMessage(UINT_PTR timer) noexcept;

    static constexpr std::size_t kTimers = 7;
    IMainWindowEvents* events_ = nullptr;
    ITimerEvents* timerEvents_ = nullptr;
    std::array<bool, kTimers> enabled_{};
    std::array<bool, kTimers> running_{};  // a tick's handler is on the stack
    HBRUSH background_ = nullptr;
};

}  // namespace pankor::win32host

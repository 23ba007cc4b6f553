#include "platform/win32/host/Win32MainWindow.h"

namespace pankor::win32host {

namespace {

// The page's dark background, so an empty or loading window does not flash white.
constexpr COLORREF kBackground = RGB(13, 17, 25);

// The program's own icon (resource 1), shared: the system keeps it for the process.
HICON ProgramIcon(HINSTANCE instance, int side) noexcept {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, LR_SHARED));
}

std::size_t Index(TimerId id) noexcept { return static_cast<std::size_t>(id); }

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, HostLoop& loop) noexcept : HostWindow(loop) {
    background_ = CreateSolidBrush(kBackground);
    // A popup with a system menu and a minimise box: no frame or caption bar
    // of its own, yet a taskbar button that minimises and restores it.
    CreateHidden(instance, kMainWindowClass, kMainWindowCaption,
                 WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_APPWINDOW,
                 ProgramIcon(instance, GetSystemMetrics(SM_CXICON)),
                 ProgramIcon(instance, GetSystemMetrics(SM_CXSMICON)), nullptr);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_SIZE:
            if (events_ && wParam != SIZE_MINIMIZED) events_->OnResized();
            return 0;
        case WM_TIMER: OnTimerMessage(wParam); return 0;
        case WM_SETFOCUS:
            if (events_) events_->OnFocused();
            return 0;
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(Hwnd(), &r);
            if (background_) FillRect(reinterpret_cast<HDC>(wParam), &r, background_);
            return 1;
        }
        default: return DefWindowProcW(Hwnd(), message, wParam, lParam);
    }
}

void MainWindow::OnUnload() noexcept {
    // The timers go with the window.
    for (std::size_t i = 0; i < kTimers; ++i)
        if (enabled_[i]) KillTimer(Hwnd(), i + 1);
    enabled_.fill(false);
    if (events_) events_->OnUnloading();
}

void MainWindow::OnTimerMessage(UINT_PTR timer) noexcept {
    if (timer < 1 || timer > kTimers) return;
    const std::size_t i = timer - 1;
    // A tick already queued when its timer was stopped is dropped, and a
    // tick does not run again while its own handler waits in a pump.
    if (!enabled_[i] || running_[i] || !timerEvents_) return;
    running_[i] = true;
    timerEvents_->OnTimer(static_cast<TimerId>(i));
    running_[i] = false;
}

void MainWindow::Enable(TimerId id, int intervalMs) noexcept {
    const std::size_t i = Index(id);
    if (i >= kTimers || enabled_[i] || !Exists()) return;
    if (SetTimer(Hwnd(), i + 1, static_cast<UINT>(intervalMs > 0 ? intervalMs : 1), nullptr) != 0) enabled_[i] = true;
}

void MainWindow::Disable(TimerId id) noexcept {
    const std::size_t i = Index(id);
    if (i >= kTimers || !enabled_[i]) return;
    if (Exists()) KillTimer(Hwnd(), i + 1);
    enabled_[i] = false;
}

bool MainWindow::IsEnabled(TimerId id) const noexcept {
    const std::size_t i = Index(id);
    return i < kTimers && enabled_[i];
}

void MainWindow::Show() noexcept {
    if (Exists()) ShowWindow(Hwnd(), SW_SHOW);
}

void MainWindow::Hide() noexcept {
    if (Exists()) ShowWindow(Hwnd(), SW_HIDE);
}

bool MainWindow::IsVisible() const noexcept { return Exists() && IsWindowVisible(Hwnd()); }

bool MainWindow::IsMinimised() const noexcept { return Exists() && IsIconic(Hwnd()); }

void MainWindow::Minimise() noexcept {
    if (Exists()) ShowWindow(Hwnd(), SW_MINIMIZE);
}

void MainWindow::Restore() noexcept {
    if (Exists()) ShowWindow(Hwnd(), SW_RESTORE);
}

void MainWindow::Place(int x, int y, int width, int height) noexcept {
    if (Exists()) SetWindowPos(Hwnd(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelSize MainWindow::ClientSize() const noexcept {
    RECT r{};
    if (!Exists() || !GetClientRect(Hwnd(), &r)) return {};
    return {r.right - r.left, r.bottom - r.top};
}

PixelSize MainWindow::ScreenSize() const noexcept {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool MainWindow::IsForeground() const noexcept { return Exists() && GetForegroundWindow() == Hwnd(); }

void MainWindow::SetForeground() noexcept {
    if (Exists()) SetForegroundWindow(Hwnd());
}

void MainWindow::Activate() noexcept {
    if (!Exists()) return;
    BringWindowToTop(Hwnd());
    SetForegroundWindow(Hwnd());
    SetFocus(Hwnd());
}

void MainWindow::Flash(bool on) noexcept {
    if (!Exists()) return;
    FLASHWINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = Hwnd();
    info.dwFlags = on ? FLASHW_ALL | FLASHW_TIMERNOFG : FLASHW_STOP;
    FlashWindowEx(&info);
}

void MainWindow::BeginDrag() noexcept {
    if (!Exists()) return;
    // The system moves the window as if its caption bar had been pressed.
    ReleaseCapture();
    SendMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::SetIcons(IconHandle big, IconHandle small) noexcept {
    if (!Exists()) return;
    if (big > 1) SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, static_cast<LPARAM>(big));
    if (small > 1) SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, static_cast<LPARAM>(small));
}

IconHandle MainWindow::DefaultIcon() const noexcept {
    if (!Exists()) return 0;
    const LRESULT own = SendMessageW(Hwnd(), WM_GETICON, ICON_BIG, 0);
    if (own != 0) return static_cast<IconHandle>(own);
    return static_cast<IconHandle>(GetClassLongPtrW(Hwnd(), GCLP_HICON));
}

std::uintptr_t MainWindow::Handle() const noexcept { return reinterpret_cast<std::uintptr_t>(Hwnd()); }

}  // namespace pankor::win32host

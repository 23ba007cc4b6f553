#include "platform/win32/host/Win32HostWindow.h"

#include "platform/win32/host/Win32HostLoop.h"

namespace pankor::win32host {

HostWindow::~HostWindow() {
    if (!hwnd_) return;
    // The derived part is gone: its handlers must not run any more.
    const HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
    loop_.Gone(hwnd);
}

bool HostWindow::CreateHidden(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style,
                              DWORD exStyle, HICON icon, HICON smallIcon, HBRUSH background) noexcept {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &HostWindow::Procedure;
        wc.hInstance = instance;
        wc.lpszClassName = className;
        wc.hIcon = icon;
        wc.hIconSm = smallIcon;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = background;
        if (!RegisterClassExW(&wc)) return false;
    }
    // The first messages (WM_NCCREATE on) already reach this object.
    return CreateWindowExW(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, 920, 620, nullptr, nullptr,
                           instance, this) != nullptr;
}

LRESULT CALLBACK HostWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        self->loop_.Track(hwnd);
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_DESTROY) self->OnUnload();
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->loop_.Gone(hwnd);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

}  // namespace pankor::win32host

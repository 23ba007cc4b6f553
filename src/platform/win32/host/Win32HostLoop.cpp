#include "platform/win32/host/Win32HostLoop.h"

namespace pankor::win32host {

void HostLoop::Dispatch(MSG& message) noexcept {
    if (filter_ && filter_->PreTranslate(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void HostLoop::Pump() noexcept {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The outer loop must still see it; a nested wait just returns.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
}

int HostLoop::Run() noexcept {
    if (TrackedCount() == 0) return 0;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;  // only an invalid argument gets here
        Dispatch(message);
    }
}

void HostLoop::Track(HWND window) noexcept {
    for (HWND& slot : windows_)
        if (slot == nullptr) {
            slot = window;
            return;
        }
}

void HostLoop::Gone(HWND window) noexcept {
    bool found = false;
    for (HWND& slot : windows_)
        if (slot == window && window != nullptr) {
            slot = nullptr;
            found = true;
        }
    if (found && TrackedCount() == 0) PostQuitMessage(0);
}

int HostLoop::TrackedCount() const noexcept {
    int n = 0;
    for (HWND slot : windows_) n += slot != nullptr;
    return n;
}

void HostLoop::UnloadWindows() noexcept {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if (*it != nullptr && IsWindow(*it)) DestroyWindow(*it);  // its WM_NCDESTROY clears the slot
}

void HostLoop::EndProcess() noexcept { ExitProcess(0); }

}  // namespace pankor::win32host

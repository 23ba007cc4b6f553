#pragma once
// A top-level window of the host whose messages go to a C++ object. The
// object outlives its window: once the window is gone every call is a no-op.
#include "platform/win32/Win32Windows.h"

namespace pankor::win32host {

class HostLoop;

class HostWindow {
public:
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    virtual ~HostWindow();

    HWND Hwnd() const noexcept { return hwnd_; }
    bool Exists() const noexcept { return hwnd_ != nullptr; }

protected:
    explicit HostWindow(HostLoop& loop) noexcept : loop_(loop) {}
    // Registers the class once and creates the window hidden; false when the
    // system refused.
    bool CreateHidden(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle,
                      HICON icon, HICON smallIcon, HBRUSH background) noexcept;
    // The window's own messages; DefWindowProc for the rest.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept = 0;
    // The window is being destroyed (closed from outside or unloaded).
    virtual void OnUnload() noexcept {}
    // Derived classes call this in their destructors, while their handlers
    // still exist.
    void Destroy() noexcept {
        if (hwnd_) DestroyWindow(hwnd_);
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HostLoop& loop_;
    HWND hwnd_ = nullptr;
};

}  // namespace pankor::win32host

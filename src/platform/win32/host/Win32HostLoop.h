#pragma once
// The GUI thread's message loop: it carries the process while the main
// window or the tray window exists and ends when both are gone, whether the
// page's "quit" unloaded them or a close came from outside (an installer
// closes both windows and waits for the process to end).
#include "platform/win32/Win32Windows.h"

#include <array>

#include "platform/host/IHostLoop.h"
#include "platform/host/IMessagePump.h"

namespace pankor::win32host {

// Sees each message before it is dispatched; true when it was handled (the
// browser control takes its keys this way).
class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    virtual bool PreTranslate(MSG& message) noexcept = 0;
};

class HostLoop final : public IMessagePump, public IHostLoop {
public:
    // Dispatches what is queued now and returns; a quit request found on the
    // way is put back for the outer loop.
    void Pump() noexcept override;
    // Destroys the tracked windows, newest first (the tray before the main window).
    void UnloadWindows() noexcept override;
    void EndProcess() noexcept override;

    // Runs until every tracked window is gone; the exit code of the quit.
    int Run() noexcept;

    // Windows whose life carries the process. The last one to go ends the loop.
    void Track(HWND window) noexcept;
    void Gone(HWND window) noexcept;
    int TrackedCount() const noexcept;

    void SetFilter(IMessageFilter* filter) noexcept { filter_ = filter; }

private:
    void Dispatch(MSG& message) noexcept;

    std::array<HWND, 4> windows_{};
    IMessageFilter* filter_ = nullptr;
};

}  // namespace pankor::win32host

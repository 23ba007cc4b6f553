#pragma once
// The main window's timers. Their intervals are the core's (frmMain); the
// host fires them on the GUI thread while it dispatches messages.
namespace pankor {

enum class TimerId { Nav, Boot, Handoff, Live, Watch, Stage, Poll };

class ITimerEvents {
public:
    virtual ~ITimerEvents() = default;
    virtual void OnTimer(TimerId id) noexcept = 0;
};

class ITimers {
public:
    virtual ~ITimers() = default;
    // Starts the timer; one already running keeps running as it was.
    virtual void Enable(TimerId id, int intervalMs) noexcept = 0;
    virtual void Disable(TimerId id) noexcept = 0;
    virtual bool IsEnabled(TimerId id) const noexcept = 0;
};

}  // namespace pankor

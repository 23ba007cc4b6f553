#pragma once
// The main window's seven timers as GLib timeout sources on the main context.
#include <glib.h>

#include <array>

#include "HostGate.h"
#include "platform/host/ITimers.h"

namespace pankor::linuxhost {

class GlibTimers final : public ITimers {
public:
    explicit GlibTimers(HostGate& gate) noexcept : gate_(gate) {}
    ~GlibTimers() override;
    GlibTimers(const GlibTimers&) = delete;
    GlibTimers& operator=(const GlibTimers&) = delete;

    void SetEvents(ITimerEvents* events) noexcept { events_ = events; }
    void Enable(TimerId id, int intervalMs) noexcept override;
    void Disable(TimerId id) noexcept override;
    bool IsEnabled(TimerId id) const noexcept override { return slots_[Index(id)].source != 0; }

private:
    static constexpr std::size_t kCount = 7;
    static std::size_t Index(TimerId id) noexcept { return static_cast<std::size_t>(id); }
    struct Slot {
        GlibTimers* owner = nullptr;
        TimerId id = TimerId::Nav;
        guint source = 0;
        bool held = false;  // a tick came during a script call and waits in the gate
    };
    static gboolean OnTick(gpointer slot) noexcept;

    HostGate& gate_;
    ITimerEvents* events_ = nullptr;
    std::array<Slot, kCount> slots_{};
};

}  // namespace pankor::linuxhost

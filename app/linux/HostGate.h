#pragma once
// While the host waits for the page to answer a script call it iterates the
// GLib main context, which would otherwise deliver timer ticks, page commands
// and load events in the middle of the core's call. The Windows control runs
// script without dispatching messages, so the core never expects that: such
// events are held here and delivered, in order, once the wait is over.
#include <glib.h>

#include <deque>
#include <functional>
#include <utility>

namespace pankor::linuxhost {

class HostGate {
public:
    HostGate() = default;
    HostGate(const HostGate&) = delete;
    HostGate& operator=(const HostGate&) = delete;
    ~HostGate() {
        if (idle_ != 0) g_source_remove(idle_);
    }

    // True while a script call waits for its answer.
    bool Holding() const noexcept { return depth_ > 0; }

    // Runs the event now, or keeps it for later while a script call waits.
    template <typename F>
    void Deliver(F&& event) noexcept {
        if (!Holding()) {
            event();
            return;
        }
        try {
            held_.emplace_back(std::forward<F>(event));
        } catch (...) {
            // Out of memory: the event is lost, as a message would be.
        }
    }

    void Enter() noexcept { ++depth_; }
    void Leave() noexcept {
        if (--depth_ == 0 && !held_.empty() && idle_ == 0) idle_ = g_idle_add(&HostGate::Flush, this);
    }

private:
    static gboolean Flush(gpointer self) noexcept {
        auto* gate = static_cast<HostGate*>(self);
        // A held event may start another wait; what is left then waits again.
        while (!gate->Holding() && !gate->held_.empty()) {
            std::function<void()> event = std::move(gate->held_.front());
            gate->held_.pop_front();
            event();
        }
        gate->idle_ = 0;  // a wait that holds more schedules the next flush when it ends
        return G_SOURCE_REMOVE;
    }

    int depth_ = 0;
    guint idle_ = 0;
    std::deque<std::function<void()>> held_;
};

}  // namespace pankor::linuxhost

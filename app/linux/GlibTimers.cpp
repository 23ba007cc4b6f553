#include "GlibTimers.h"

namespace pankor::linuxhost {

GlibTimers::~GlibTimers() {
    for (Slot& s : slots_)
        if (s.source != 0) g_source_remove(s.source);
}

void GlibTimers::Enable(TimerId id, int intervalMs) noexcept {
    Slot& s = slots_[Index(id)];
    if (s.source != 0) return;  // a running timer keeps its rhythm
    s.owner = this;
    s.id = id;
    s.source = g_timeout_add(static_cast<guint>(intervalMs > 0 ? intervalMs : 1), &GlibTimers::OnTick, &s);
}

void GlibTimers::Disable(TimerId id) noexcept {
    Slot& s = slots_[Index(id)];
    if (s.source == 0) return;
    g_source_remove(s.source);
    s.source = 0;
}

gboolean GlibTimers::OnTick(gpointer data) noexcept {
    Slot& s = *static_cast<Slot*>(data);
    GlibTimers& t = *s.owner;
    const guint self = g_source_get_id(g_main_current_source());
    if (t.gate_.Holding()) {
        // One held tick per timer is enough: missed ticks are not made up.
        if (!s.held) {
            s.held = true;
            t.gate_.Deliver([&s] {
                s.held = false;
                if (s.source != 0 && s.owner->events_ != nullptr) s.owner->events_->OnTimer(s.id);
            });
        }
        return G_SOURCE_CONTINUE;
    }
    if (t.events_ != nullptr) t.events_->OnTimer(s.id);
    // Disabled during its own tick: the source is gone already.
    return s.source == self ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace pankor::linuxhost

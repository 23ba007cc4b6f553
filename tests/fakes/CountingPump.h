#pragma once
// A message pump for tests with real waits: it dispatches nothing, but counts
// its calls and the longest real time between two of them.
#include <chrono>
#include <cstdint>

#include "platform/host/IMessagePump.h"

namespace pankor::fakes {

class CountingPump : public IMessagePump {
public:
    using Clock = std::chrono::steady_clock;
    long calls = 0;
    Clock::duration worstGap{};

    void Pump() noexcept override {
        const Clock::time_point now = Clock::now();
        if (calls > 0 && now - last_ > worstGap) worstGap = now - last_;
        last_ = now;
        ++calls;
    }
    std::int64_t WorstGapMs() const { return std::chrono::duration_cast<std::chrono::milliseconds>(worstGap).count(); }

private:
    Clock::time_point last_{};
};

}  // namespace pankor::fakes

#pragma once
// A message pump for tests with real waits: it dispatches nothing, but counts
// its calls and the longest real time between two of them.
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "platform/host/IMessagePump.h"

namespace pankor::fakes {

class CountingPump : public IMessagePump {
public:
    long calls = 0;

    void Pump() noexcept override {
        const auto now = std::chrono::steady_clock::now();
        if (calls++ > 0) worstGap_ = std::max(worstGap_, now - last_);
        last_ = now;
    }
    std::int64_t WorstGapMs() const { return std::chrono::duration_cast<std::chrono::milliseconds>(worstGap_).count(); }

private:
    std::chrono::steady_clock::time_point last_{};
    std::chrono::steady_clock::duration worstGap_{};
};

}  // namespace pankor::fakes

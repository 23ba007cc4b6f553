#pragma once
// The clock that time limits are measured with, and sleeping. Host: system.
#include "ContractSupport.h"
#include "platform/ISystem.h"

namespace pankor::contract {

template <typename Host>
class ClockContract : public ::testing::Test {
protected:
    Host host;
};
TYPED_TEST_SUITE_P(ClockContract);

TYPED_TEST_P(ClockContract, MonotonicTimeNeverGoesBackAndSleepsMoveItOn) {
    const ISystem& system = this->host.system;
    std::int64_t last = system.MonotonicMs();
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t now = system.MonotonicMs();
        ASSERT_GE(now, last);
        last = now;
    }
    const std::int64_t before = system.MonotonicMs();
    system.SleepMs(60);
    const std::int64_t slept = system.MonotonicMs() - before;
    EXPECT_GE(slept, 60 - 16);  // a tick of the coarsest clock we run on
    EXPECT_LT(slept, 2000);
    const std::int64_t again = system.MonotonicMs();
    system.SleepMs(0);
    system.SleepMs(-5);
    EXPECT_LT(system.MonotonicMs() - again, 1000);
}

REGISTER_TYPED_TEST_SUITE_P(ClockContract, MonotonicTimeNeverGoesBackAndSleepsMoveItOn);

}  // namespace pankor::contract

#pragma once
// The single-instance lock within one session: the first holder keeps it.
// Host: MakeLock() — a lock object as a new process would have it;
// LockName(n) — a name no one else uses; BadLockName() — one the system
// cannot make a lock of.
#include "ContractSupport.h"
#include "platform/IInstanceLock.h"

namespace pankor::contract {

template <typename Host>
class InstanceLockContract : public ::testing::Test {
protected:
    Host host;
};
TYPED_TEST_SUITE_P(InstanceLockContract);

TYPED_TEST_P(InstanceLockContract, OnlyTheFirstToAcquireANameHoldsIt) {
    const auto first = this->host.MakeLock(), second = this->host.MakeLock();
    const Result<bool> acquired = first->Acquire(this->host.LockName(1));
    ASSERT_TRUE(acquired.ok()) << acquired.error();
    EXPECT_TRUE(*acquired);
    for (int attempt = 0; attempt < 2; ++attempt) {  // still held the second time: the first never lets go
        const Result<bool> elsewhere = second->Acquire(this->host.LockName(1));
        ASSERT_TRUE(elsewhere.ok()) << elsewhere.error();
        EXPECT_FALSE(*elsewhere) << attempt;
    }
    EXPECT_TRUE(second->Acquire(this->host.LockName(2)).value_or(false));  // other names are free
}

TYPED_TEST_P(InstanceLockContract, ANameTheSystemCannotUseFailsWithItsCode) {
    const Result<bool> bad = this->host.MakeLock()->Acquire(this->host.BadLockName());
    EXPECT_TRUE(Described(bad));
    EXPECT_NE(bad.code(), 0u);  // the log line shows it
}

REGISTER_TYPED_TEST_SUITE_P(InstanceLockContract, OnlyTheFirstToAcquireANameHoldsIt,
                            ANameTheSystemCannotUseFailsWithItsCode);

}  // namespace pankor::contract

#pragma once
// The single-instance lock within one session: the first holder keeps it.
//
// Fixture: std::unique_ptr<IInstanceLock> Make() — a lock object as a new
// process would have it; UniqueName(n) — a name no one else uses;
// BadName() — a name the system cannot make a lock of.
#include <memory>

#include "ContractSupport.h"
#include "platform/IInstanceLock.h"

namespace pankor::contract {

template <typename F>
class InstanceLockContract : public ::testing::Test {
protected:
    F f;
};
TYPED_TEST_SUITE_P(InstanceLockContract);

TYPED_TEST_P(InstanceLockContract, OnlyTheFirstToAcquireANameHoldsIt) {
    const std::unique_ptr<IInstanceLock> first = this->f.Make(), second = this->f.Make();
    const std::string name = this->f.UniqueName(1);
    const Result<bool> acquired = first->Acquire(name);
    ASSERT_TRUE(acquired.ok()) << acquired.error();
    EXPECT_TRUE(*acquired);
    for (int attempt = 0; attempt < 2; ++attempt) {  // still held the second time: the first never lets go
        const Result<bool> elsewhere = second->Acquire(name);
        ASSERT_TRUE(elsewhere.ok()) << elsewhere.error();
        EXPECT_FALSE(*elsewhere) << attempt;
    }
    EXPECT_TRUE(second->Acquire(this->f.UniqueName(2)).value_or(false));  // other names are free
}

TYPED_TEST_P(InstanceLockContract, ANameTheSystemCannotUseFailsWithItsCode) {
    const Result<bool> bad = this->f.Make()->Acquire(this->f.BadName());
    EXPECT_TRUE(Described(bad));
    EXPECT_NE(bad.code(), 0u);  // the log line shows it
}

REGISTER_TYPED_TEST_SUITE_P(InstanceLockContract, OnlyTheFirstToAcquireANameHoldsIt,
                            ANameTheSystemCannotUseFailsWithItsCode);

}  // namespace pankor::contract

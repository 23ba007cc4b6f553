#pragma once
// The single-instance lock within one session: the first holder keeps it
// until it ends. Host: MakeLock() — a lock object as a new process would
// have it; LockName(n) — a name no one else uses; BadLockName() — one the
// system cannot make a lock of; and what ProcessesContract's host has.
#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
using InstanceLockContract = HostTest<Host>;
TYPED_TEST_SUITE(InstanceLockContract, ContractHosts);

TYPED_TEST(InstanceLockContract, OnlyTheFirstToAcquireANameHoldsIt) {
    const auto first = this->host.MakeLock(), second = this->host.MakeLock();
    const Result<bool> acquired = first->Acquire(this->host.LockName(1));
    ASSERT_TRUE(acquired.value_or(false)) << acquired.error();
    for (int attempt = 0; attempt < 2; ++attempt) {  // still held the second time: the first never lets go
        const Result<bool> elsewhere = second->Acquire(this->host.LockName(1));
        EXPECT_FALSE(elsewhere.value_or(true)) << attempt << elsewhere.error();
    }
    EXPECT_TRUE(second->Acquire(this->host.LockName(2)).value_or(false));  // other names are free
    const Result<bool> bad = this->host.MakeLock()->Acquire(this->host.BadLockName());
    EXPECT_TRUE(Described(bad) && bad.code() != 0) << bad.code();  // the log line shows it
}

TYPED_TEST(InstanceLockContract, TheLockDiesWithItsHolderNotWithAProgramItStarted) {
    // The platform program takes the lock, starts the args program and writes its id.
    const std::string marker = this->host.In("child.txt"), name = this->host.LockName(3);
    Result<std::unique_ptr<IProcess>> holder =
        this->host.processes.Start("\"" + this->host.PlatformProgram() + "\" lock " + name + " \"" + marker + "\" \"" +
                                       this->host.ArgsProgram() + "\"",
                                   true);
    ASSERT_TRUE(holder.ok()) << holder.error();
    std::uint32_t child = 0;
    ASSERT_TRUE(WaitUntil([&] { return (child = std::stoul(this->host.ReadRaw(marker).value_or("0"))) != 0; }, 30));
    EXPECT_FALSE(this->host.MakeLock()->Acquire(name).value_or(true));
    ASSERT_TRUE(this->host.Kill((*holder)->Id()));
    ASSERT_TRUE((*holder)->WaitExit(10000));
    EXPECT_TRUE(WaitUntil([&] { return this->host.MakeLock()->Acquire(name).value_or(false); }))
        << "the started program inherited the lock";
    EXPECT_TRUE(this->host.Kill(child)) << "the started program should still run";
}

}  // namespace pankor::contract

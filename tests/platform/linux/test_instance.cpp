// The single-instance lock and the handoff across real processes.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "Scratch.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "startup/Pankor.h"

using namespace pankor;
using test::Scratch;

namespace {

// Each test gets its own runtime folder (where the lock lives) and data folder.
class TwoProcesses : public ::testing::Test {
protected:
    TwoProcesses() {
        setenv("XDG_RUNTIME_DIR", runtime.Root().c_str(), 1);
        setenv("APPDATA", appdata.Root().c_str(), 1);
    }
    static bool Free() { return LinuxInstanceLock().Acquire(kInstanceMutexName).value_or(false); }
    Scratch runtime, appdata;
};

}  // namespace

TEST_F(TwoProcesses, TheLockDiesWithItsHolderNotWithProgramsItStarted) {
    FILE* holder = popen("exec " LOCK_HOLDER_EXE, "r");
    int holderPid = 0, started = 0;
    ASSERT_EQ(std::fscanf(holder, "held %d %d", &holderPid, &started), 2);
    ASSERT_GT(started, 0);
    EXPECT_FALSE(Free());
    kill(holderPid, SIGKILL);
    pclose(holder);
    EXPECT_EQ(kill(started, 0), 0) << "the started program should still run";
    EXPECT_TRUE(Free()) << "the started program inherited the lock";  // flock is close-on-exec
    kill(started, SIGKILL);
}

TEST_F(TwoProcesses, ASecondPankorHandsItsRequestToTheFirstCopy) {
    NativePlatform native;
    Pankor first(native.Get());
    ASSERT_TRUE(first.instance.AcquireMutex());
    first.process.DataDir = appdata.In("Pankor");
    first.process.DebugMode = true;

    EXPECT_EQ(std::system(PANKOR_EXE " /debug /installed=Clock-Pro"), 0);
    const std::string log = Scratch::ReadRaw(appdata.In("Pankor/debug.log")).value_or("");
    EXPECT_NE(log.find(" another Pankor already has the mutex\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" handoff posted: installed=clock-pro\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("--- Pankor start"), std::string::npos) << log;

    EXPECT_EQ(first.instance.TakeHandoff(), "installed=clock-pro");
    EXPECT_FALSE(std::filesystem::exists(appdata.In("Pankor/handoff.txt")));
}

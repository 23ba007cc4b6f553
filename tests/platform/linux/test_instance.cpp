#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "startup/Pankor.h"

using namespace pankor;
using pankor::testing::ChildProcess;
using pankor::testing::ReadAll;
using pankor::testing::TempFolder;
using pankor::testing::WriteAll;

namespace {

// Each test gets its own runtime folder (where the lock lives) and data folder.
class TwoProcesses : public ::testing::Test {
protected:
    TwoProcesses() {
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        setenv("APPDATA", appdata.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (appdata / "config").c_str(), 1);
    }
    std::vector<std::string> Env() const {
        return {"XDG_RUNTIME_DIR=" + runtime.path(), "APPDATA=" + appdata.path(),
                "XDG_CONFIG_HOME=" + (appdata / "config")};
    }
    TempFolder runtime, appdata;
};

}  // namespace

TEST_F(TwoProcesses, TheLockIsSeenAcrossProcessesAndDiesWithItsHolder) {
    ChildProcess holder({LOCK_HOLDER_EXE}, Env());
    ASSERT_EQ(holder.ReadLine(), "held 0");
    const Result<bool> held = LinuxInstanceLock().Acquire(kInstanceMutexName);
    EXPECT_TRUE(held.ok() && !*held);

    holder.Kill();
    holder.Wait();
    const Result<bool> lock = LinuxInstanceLock().Acquire(kInstanceMutexName);
    EXPECT_TRUE(lock.ok() && *lock);
}

TEST_F(TwoProcesses, ProgramsStartedByTheHolderDoNotKeepTheLock) {
    ChildProcess holder({LOCK_HOLDER_EXE, "--with-child"}, Env());
    const std::string said = holder.ReadLine();
    ASSERT_EQ(said.rfind("held ", 0), 0u);
    const pid_t grandchild = std::stoi(said.substr(5));
    ASSERT_GT(grandchild, 0);

    holder.Kill();
    holder.Wait();
    EXPECT_EQ(kill(grandchild, 0), 0) << "the started program should still run";
    const Result<bool> lock = LinuxInstanceLock().Acquire(kInstanceMutexName);
    EXPECT_TRUE(lock.ok() && *lock);
    kill(grandchild, SIGKILL);
}

TEST_F(TwoProcesses, ASecondPankorHandsItsRequestToTheFirstCopy) {
    NativePlatform native;
    Pankor first(native.Get());
    ASSERT_TRUE(first.instance.AcquireMutex());
    first.process.DataDir = appdata / "Pankor";
    first.process.DebugMode = true;

    ChildProcess second({PANKOR_EXE, "/debug", "/installed=Clock-Pro"}, Env());
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.Wait(), 0);

    const std::string log = ReadAll(appdata / "Pankor/debug.log");
    EXPECT_NE(log.find(" another Pankor already has the mutex\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" handoff posted: installed=clock-pro\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("--- Pankor start"), std::string::npos) << log;

    EXPECT_EQ(first.instance.TakeHandoff(), "installed=clock-pro");
    EXPECT_FALSE(std::filesystem::exists(appdata / "Pankor/handoff.txt"));
    EXPECT_NE(ReadAll(appdata / "Pankor/debug.log").find(" handoff taken: installed=clock-pro\r\n"), std::string::npos);
}

TEST_F(TwoProcesses, AFirstCopyLogsItsStartAndLeavesTheLockFree) {
    ChildProcess first({PANKOR_EXE, "/debug"}, Env());
    EXPECT_EQ(first.Wait(), 0);
    const std::string log = ReadAll(appdata / "Pankor/debug.log");
    EXPECT_NE(log.find(" --- Pankor start, runDir="), std::string::npos) << log;
    const Result<bool> lock = LinuxInstanceLock().Acquire(kInstanceMutexName);
    EXPECT_TRUE(lock.ok() && *lock);
}

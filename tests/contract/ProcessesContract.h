#pragma once
// Starting programs from Windows command lines, waiting for them and letting them go (uninstalling,
// installers, the self-update), the running-program list the app rows show, and the Wine probe.
// Host: processes, fs; ProgramName() — this test program's file name; RunsUnderWine(); ArgsProgram()
// — writes the arguments it was given to args.txt beside itself, after waiting N ms for an argument
// "wait=N"; PlatformProgram() — "replace FILE MIB" replaces FILE through the platform; Kill(id) —
// true when there was such a process to end; Root(), In(name), ReadRaw, WriteRaw, MakeFolderRaw.
// And the single-instance lock within one session: the first holder keeps it until it ends. Host:
// MakeLock() — a lock object as a new process would have it; LockName(n) — a name no one else uses;
// BadLockName() — one the system cannot make a lock of.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>

#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
class ProcessesContract : public ::testing::Test {
protected:
    static constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
    // Copies of the args program in a folder whose path holds a blank.
    ProcessesContract() {
        host.MakeFolderRaw(folder);
        for (const std::string& name : {std::string("args program.exe"), clock}) {
            host.WriteRaw(In(name), host.ReadRaw(host.ArgsProgram()).value_or(""));
            std::filesystem::permissions(test::FsPath(In(name)), std::filesystem::perms::owner_exec,
                                         std::filesystem::perm_options::add);
        }
    }
    std::string In(const std::string& name) const { return folder + kSeparator + name; }
    std::string Run(const std::string& arguments, const std::string& name = "args program.exe") const {
        return "\"" + In(name) + "\" " + arguments;
    }
    // What the program recorded, waiting up to this long for it (the record is taken away).
    std::optional<std::string> Recorded(int seconds = 0) {
        std::optional<std::string> text;
        WaitUntil([&] { return (text = host.ReadRaw(In("args.txt"))).has_value(); }, seconds);
        if (text) std::filesystem::remove(test::FsPath(In("args.txt")));
        return text;
    }
    bool Listed(const std::string& name) {
        const std::vector<std::string> names = host.processes.ExecutableNames().value_or({});
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    Host host;
    IProcesses& processes = host.processes;
    const std::string folder = host.In("with blank");
    // A name no other test run on this machine lists at the same time.
    const std::string clock = "clock-pro-" + std::to_string(std::random_device()() % 90000 + 10000) + ".exe";
};
TYPED_TEST_SUITE(ProcessesContract, ContractHosts);

// Started on show here; the other tests start hidden.
TYPED_TEST(ProcessesContract, ArgumentsArriveAsWindowsSplitsTheCommandLineAndWaitingTellsRunningFromEnded) {
    Result<std::unique_ptr<IProcess>> p = this->processes.Start(
        this->Run("wait=700 /VERYSILENT  \"two words\" a\\\"b \"c\"\"d\" C:\\dir\\ /RELAUNCH=/tray"), false);
    ASSERT_TRUE(p.ok()) << p.error();
    EXPECT_NE((*p)->Id(), 0u);
    EXPECT_FALSE((*p)->WaitExit(100) || this->Recorded());
    EXPECT_TRUE((*p)->WaitExit(30000) && (*p)->WaitExit(0));
    EXPECT_EQ(this->Recorded(),
              std::optional<std::string>("wait=700\n/VERYSILENT\ntwo words\na\"b\nc\"d\nC:\\dir\\\n/RELAUNCH=/tray\n"));
}

TYPED_TEST(ProcessesContract, ProgramsLetGoRunOnAndAreListedByTheirWholeFileNameWhileTheyRun) {
    EXPECT_TRUE(this->Listed(this->host.ProgramName()));  // the file name alone, no folder
    EXPECT_FALSE(this->Listed(this->clock));
    ASSERT_TRUE(this->processes.Start(this->Run("wait=1500 let-go", this->clock), true).ok());
    EXPECT_TRUE(WaitUntil([&] { return this->Listed(this->clock); }));
    EXPECT_FALSE(this->Listed(this->clock.substr(6))) << "only whole names may match";
    EXPECT_EQ(this->Recorded(30), std::optional<std::string>("wait=1500\nlet-go\n"));
    EXPECT_TRUE(WaitUntil([&] { return !this->Listed(this->clock); }));
    EXPECT_EQ(this->processes.IsWine(), this->host.RunsUnderWine());
}

TYPED_TEST(ProcessesContract, AProgramThatCannotStartIsADescribedFailure) {
    for (const std::string& line : {this->Run("/VERYSILENT", "no such program.exe"), std::string(), std::string("   ")})
        EXPECT_TRUE(Described(this->processes.Start(line, true))) << "[" << line << "]";
}

TYPED_TEST(ProcessesContract, AWriterKilledWhileReplacingAFileLeavesTheOldOneWhole) {
    const std::string target = this->host.In("state.ini"), old = "catalogserial=41\r\n";
    bool killedMidway = false;
    for (int mib = 64; mib <= 512 && !killedMidway; mib *= 2) {  // a writer that finished first gets more to write
        this->host.WriteRaw(target, old);
        Result<std::unique_ptr<IProcess>> writer = this->processes.Start(
            "\"" + this->host.PlatformProgram() + "\" replace \"" + target + "\" " + std::to_string(mib), true);
        ASSERT_TRUE(writer.ok()) << writer.error();
        WaitUntil([&] { return Leftovers(this->host.fs, this->host.Root()) > 0 || (*writer)->WaitExit(0); }, 60);
        const bool killed = this->host.Kill((*writer)->Id());
        ASSERT_TRUE((*writer)->WaitExit(30000));
        if (killed && Leftovers(this->host.fs, this->host.Root()) == 1) {
            killedMidway = true;
            EXPECT_EQ(this->host.ReadRaw(target), old);
        }
    }
    EXPECT_TRUE(killedMidway) << "the writer always finished before it could be killed";
}

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

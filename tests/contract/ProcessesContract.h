#pragma once
// The running-program list the app rows show as "running", and the Wine
// probe. Host: processes; ProgramName() — this test program's file name;
// RunsUnderWine(); Start(fileName) — a program running under that file name
// until the returned object ends.
#include <algorithm>

#include "ContractSupport.h"
#include "platform/IProcesses.h"

namespace pankor::contract {

template <typename Host>
class ProcessesContract : public ::testing::Test {
protected:
    bool Listed(const std::string& name) {
        const std::vector<std::string> names = host.processes.ExecutableNames().value_or({});
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    Host host;
};
TYPED_TEST_SUITE_P(ProcessesContract);

TYPED_TEST_P(ProcessesContract, ProgramsAreListedByTheirWholeFileNameWhileTheyRun) {
    const Result<std::vector<std::string>> names = this->host.processes.ExecutableNames();
    ASSERT_TRUE(names.ok()) << names.error();
    for (const std::string& name : *names) EXPECT_EQ(name.find_first_of("\\/"), std::string::npos) << name;
    EXPECT_TRUE(this->Listed(this->host.ProgramName()));
    EXPECT_FALSE(this->Listed("clock-pro-test.exe"));
    auto program = this->host.Start("clock-pro-test.exe");
    EXPECT_TRUE(WaitUntil([&] { return this->Listed("clock-pro-test.exe"); }));
    EXPECT_FALSE(this->Listed("pro-test.exe")) << "only whole names may match";
    program.reset();
    EXPECT_TRUE(WaitUntil([&] { return !this->Listed("clock-pro-test.exe"); }));
    EXPECT_EQ(this->host.processes.IsWine(), this->host.RunsUnderWine());
}

REGISTER_TYPED_TEST_SUITE_P(ProcessesContract, ProgramsAreListedByTheirWholeFileNameWhileTheyRun);

}  // namespace pankor::contract

#pragma once
// The running-program list the app rows show as "running", and the Wine probe.
//
// Fixture: IProcesses& Service(); std::string OwnName() — this test
// program's file name; bool RunsUnderWine(); Start(fileName) — starts a
// program with that file name, running until the returned object ends.
#include <algorithm>

#include "ContractSupport.h"
#include "platform/IProcesses.h"

namespace pankor::contract {

template <typename F>
class ProcessesContract : public ::testing::Test {
protected:
    bool Listed(const std::string& name) {
        const Result<std::vector<std::string>> names = f.Service().ExecutableNames();
        EXPECT_TRUE(names.ok()) << names.error();
        return names.ok() && std::find(names->begin(), names->end(), name) != names->end();
    }
    F f;
};
TYPED_TEST_SUITE_P(ProcessesContract);

TYPED_TEST_P(ProcessesContract, ProgramsAreListedByFileNameThisOneIncluded) {
    const Result<std::vector<std::string>> names = this->f.Service().ExecutableNames();
    ASSERT_TRUE(names.ok()) << names.error();
    EXPECT_NE(std::find(names->begin(), names->end(), this->f.OwnName()), names->end()) << this->f.OwnName();
    for (const std::string& name : *names) {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find_first_of("\\/"), std::string::npos) << name << " carries a folder";
    }
}

TYPED_TEST_P(ProcessesContract, AStartedProgramIsListedByItsWholeNameWhileItRuns) {
    EXPECT_FALSE(this->Listed("clock-pro-test.exe"));
    auto program = this->f.Start("clock-pro-test.exe");
    EXPECT_TRUE(WaitUntil([&] { return this->Listed("clock-pro-test.exe"); }));
    EXPECT_FALSE(this->Listed("pro-test.exe")) << "only whole names may match";
    program.reset();
    EXPECT_TRUE(WaitUntil([&] { return !this->Listed("clock-pro-test.exe"); }));
}

TYPED_TEST_P(ProcessesContract, IsWineTellsWhetherThisProcessRunsUnderWine) {
    EXPECT_EQ(this->f.Service().IsWine(), this->f.RunsUnderWine());
}

REGISTER_TYPED_TEST_SUITE_P(ProcessesContract, ProgramsAreListedByFileNameThisOneIncluded,
                            AStartedProgramIsListedByItsWholeNameWhileItRuns,
                            IsWineTellsWhetherThisProcessRunsUnderWine);

}  // namespace pankor::contract

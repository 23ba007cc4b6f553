#pragma once
// Starting programs from Windows command lines, waiting for them, and letting
// them go: what uninstalling, installers and the self-update rely on.
//
// Fixture: IProcesses& Service(); std::string Program() — a copy of the args
// program in a folder whose path holds a blank (it writes its arguments to
// args.txt beside itself); std::optional<std::string> Recorded() — takes that
// file's text once it is there (removing the file); std::string Missing() — a
// program path that does not exist.
#include <optional>

#include "ContractSupport.h"
#include "platform/IProcesses.h"

namespace pankor::contract {

template <typename F>
class ProgramsContract : public ::testing::Test {
protected:
    IProcesses& processes() { return f.Service(); }
    std::string Quoted() { return "\"" + f.Program() + "\""; }
    std::optional<std::string> WaitForRecord() {
        std::optional<std::string> text;
        WaitUntil([&] { return (text = f.Recorded()).has_value(); }, 30);
        return text;
    }
    F f;
};
TYPED_TEST_SUITE_P(ProgramsContract);

TYPED_TEST_P(ProgramsContract, ArgumentsArriveAsWindowsSplitsTheCommandLine) {
    for (const bool hidden : {true, false}) {
        Result<std::unique_ptr<IProcess>> p = this->processes().Start(
            this->Quoted() + " /VERYSILENT  \"two words\" a\\\"b \"c\"\"d\" C:\\dir\\ /RELAUNCH=/tray", hidden);
        ASSERT_TRUE(p.ok()) << p.error();
        EXPECT_NE((*p)->Id(), 0u);
        EXPECT_TRUE((*p)->WaitExit(30000));
        EXPECT_EQ(this->WaitForRecord(),
                  std::optional<std::string>("/VERYSILENT\ntwo words\na\"b\nc\"d\nC:\\dir\\\n/RELAUNCH=/tray\n"))
            << "hidden " << hidden;
    }
}

TYPED_TEST_P(ProgramsContract, WaitingTellsRunningFromEnded) {
    Result<std::unique_ptr<IProcess>> p = this->processes().Start(this->Quoted() + " wait=1500", true);
    ASSERT_TRUE(p.ok()) << p.error();
    EXPECT_FALSE((*p)->WaitExit(100));
    EXPECT_FALSE(this->f.Recorded().has_value());
    EXPECT_TRUE((*p)->WaitExit(30000));
    EXPECT_TRUE((*p)->WaitExit(0));
    EXPECT_EQ(this->f.Recorded(), std::optional<std::string>("wait=1500\n"));
}

TYPED_TEST_P(ProgramsContract, AProgramLetGoRunsOnToItsEnd) {
    {
        Result<std::unique_ptr<IProcess>> p = this->processes().Start(this->Quoted() + " wait=700 let-go", true);
        ASSERT_TRUE(p.ok()) << p.error();
    }
    EXPECT_EQ(this->WaitForRecord(), std::optional<std::string>("wait=700\nlet-go\n"));
}

TYPED_TEST_P(ProgramsContract, AProgramThatCannotStartIsADescribedFailure) {
    for (const std::string& line : {"\"" + this->f.Missing() + "\" /VERYSILENT", std::string(), std::string("   ")})
        EXPECT_TRUE(Described(this->processes().Start(line, true))) << "[" << line << "]";
}

REGISTER_TYPED_TEST_SUITE_P(ProgramsContract, ArgumentsArriveAsWindowsSplitsTheCommandLine, WaitingTellsRunningFromEnded,
                            AProgramLetGoRunsOnToItsEnd, AProgramThatCannotStartIsADescribedFailure);

}  // namespace pankor::contract

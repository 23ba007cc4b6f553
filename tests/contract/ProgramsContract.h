#pragma once
// Starting programs from Windows command lines, waiting for them, and letting
// them go, as uninstalling, installers and the self-update do. Host:
// processes; ArgsProgram() — the program that writes the arguments it was
// given to args.txt beside itself; Root(), In(name), ReadRaw, WriteRaw,
// MakeFolderRaw.
#include <filesystem>
#include <optional>

#include "ContractSupport.h"
#include "Scratch.h"
#include "platform/IProcesses.h"

namespace pankor::contract {

template <typename Host>
class ProgramsContract : public ::testing::Test {
protected:
    static constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
    // A copy of the args program in a folder whose path holds a blank.
    ProgramsContract() {
        host.MakeFolderRaw(folder);
        host.WriteRaw(program, host.ReadRaw(host.ArgsProgram()).value_or(""));
        std::filesystem::permissions(test::FsPath(program), std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
    }
    std::string Quoted() const { return "\"" + program + "\""; }
    // What the program recorded, once it is there (the record is taken away).
    std::optional<std::string> Recorded() {
        const std::string file = folder + kSeparator + "args.txt";
        std::optional<std::string> text = host.ReadRaw(file);
        if (text) std::filesystem::remove(test::FsPath(file));
        return text;
    }
    std::optional<std::string> WaitForRecord() {
        std::optional<std::string> text;
        WaitUntil([&] { return (text = Recorded()).has_value(); }, 30);
        return text;
    }
    Host host;
    IProcesses& processes = host.processes;
    const std::string folder = host.In("with blank");
    const std::string program = folder + kSeparator + "args program.exe";
};
TYPED_TEST_SUITE_P(ProgramsContract);

TYPED_TEST_P(ProgramsContract, ArgumentsArriveAsWindowsSplitsTheCommandLine) {
    for (const bool hidden : {true, false}) {
        Result<std::unique_ptr<IProcess>> p = this->processes.Start(
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
    Result<std::unique_ptr<IProcess>> p = this->processes.Start(this->Quoted() + " wait=1500", true);
    ASSERT_TRUE(p.ok()) << p.error();
    EXPECT_FALSE((*p)->WaitExit(100));
    EXPECT_FALSE(this->Recorded().has_value());
    EXPECT_TRUE((*p)->WaitExit(30000));
    EXPECT_TRUE((*p)->WaitExit(0));
    EXPECT_EQ(this->Recorded(), std::optional<std::string>("wait=1500\n"));
}

TYPED_TEST_P(ProgramsContract, AProgramLetGoRunsOnToItsEnd) {
    {
        Result<std::unique_ptr<IProcess>> p = this->processes.Start(this->Quoted() + " wait=700 let-go", true);
        ASSERT_TRUE(p.ok()) << p.error();
    }
    EXPECT_EQ(this->WaitForRecord(), std::optional<std::string>("wait=700\nlet-go\n"));
}

TYPED_TEST_P(ProgramsContract, AProgramThatCannotStartIsADescribedFailure) {
    const std::string missing = this->folder + TestFixture::kSeparator + "no such program.exe";
    for (const std::string& line : {"\"" + missing + "\" /VERYSILENT", std::string(), std::string("   ")})
        EXPECT_TRUE(Described(this->processes.Start(line, true))) << "[" << line << "]";
}

REGISTER_TYPED_TEST_SUITE_P(ProgramsContract, ArgumentsArriveAsWindowsSplitsTheCommandLine, WaitingTellsRunningFromEnded,
                            AProgramLetGoRunsOnToItsEnd, AProgramThatCannotStartIsADescribedFailure);

}  // namespace pankor::contract

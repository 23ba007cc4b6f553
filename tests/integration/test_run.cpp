// Programs started for real: waited for, left running, and run through Wine.
#include "Integration.h"

using namespace pankor;
using pankor::testing::Integration;
using pankor::testing::Lines;
using pankor::testing::ReadAll;
using pankor::testing::WaitUntil;

namespace {

class Run : public Integration {
protected:
    // The args program (it writes its arguments to args.txt beside itself) in
    // a folder whose path holds a blank.
    std::string Program(const std::string& from = ARGS_PROGRAM) {
        std::filesystem::create_directories(In("temp/with blank"));
        std::filesystem::copy_file(from, In("temp/with blank/args program.exe"),
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(In("temp/with blank/args.txt"));
        return "\"" + In("temp/with blank/args program.exe") + "\"";
    }
    std::string Recorded() const { return ReadAll(In("temp/with blank/args.txt")); }
};

TEST_F(Run, AProgramThatEndsAtOnceIsWaitedForAMomentOnlyAndAWindowsOneRunsThroughWine) {
    const std::string windowsProgram = std::string(WINDOWS_FIXTURE_DIR) + "/args_program.exe";
    const bool wine = std::filesystem::exists(windowsProgram) && WineReady();
    for (const std::string& from : {std::string(ARGS_PROGRAM), wine ? windowsProgram : std::string()}) {
        if (from.empty()) continue;  // no MinGW toolchain or no Wine
        const std::string program = Program(from);
        const auto start = Clock::now();
        EXPECT_TRUE(app.update.RunAndWait(program + " /VERYSILENT \"two words\""));
        EXPECT_LT(MsSince(start), from == ARGS_PROGRAM ? 1000 : 20000);
        EXPECT_EQ(Recorded(), "/VERYSILENT\ntwo words\n") << from;
    }
    EXPECT_EQ(LogLines(), Lines{});
}

TEST_F(Run, AProgramThatOutlivesTheLimitIsLeftRunning) {
    const std::string program = Program();
    app.update.SetLimitsForTest({kFetchLimitMs, 1000, kMaxDownloadBytes});
    const auto start = Clock::now();
    EXPECT_TRUE(app.update.RunAndWait(program + " wait=3000"));
    EXPECT_GE(MsSince(start), 1000);
    EXPECT_LT(MsSince(start), 2500);
    EXPECT_GE(pump.calls, 1000 / kRunPollMs - 1);
    EXPECT_LE(pump.WorstGapMs(), kRunPollMs + 100);
    EXPECT_EQ(Recorded(), "");                                            // still running
    EXPECT_TRUE(WaitUntil([&] { return Recorded() == "wait=3000\n"; }));  // and it ran to its end
}

}  // namespace

// Programs started for real: waited for, left running, run through Wine, and
// web addresses handed to the desktop's opener.
#include <sys/stat.h>

#include "Integration.h"

using namespace pankor;
using pankor::testing::Integration;
using pankor::testing::Lines;
using pankor::testing::ReadAll;
using pankor::testing::ScopedVariable;
using pankor::testing::WaitUntil;

namespace {

class Run : public Integration {
protected:
    // The args program (it writes its arguments to args.txt beside itself) in
    // a folder whose path holds a blank.
    std::string Program(const std::string& from = ARGS_PROGRAM) {
        std::filesystem::create_directories(root / "temp/with blank");
        const std::string to = root / "temp/with blank/args program.exe";
        std::filesystem::copy_file(from, to);
        return to;
    }
    std::string Recorded() const { return ReadAll(root / "temp/with blank/args.txt"); }
};

TEST_F(Run, AProgramThatEndsAtOnceIsWaitedForAMomentOnly) {
    const std::string program = Program();
    const auto start = Clock::now();
    EXPECT_TRUE(app.update.RunAndWait("\"" + program + "\" /VERYSILENT /NORESTART"));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(Recorded(), "/VERYSILENT\n/NORESTART\n");
    EXPECT_EQ(LogLines(), Lines{});
}

TEST_F(Run, AProgramThatOutlivesTheLimitIsLeftRunning) {
    const std::string program = Program();
    app.update.SetLimitsForTest({kFetchLimitMs, 1000, kMaxDownloadBytes});
    const auto start = Clock::now();
    EXPECT_TRUE(app.update.RunAndWait("\"" + program + "\" wait=3000"));
    const std::int64_t waited = MsSince(start);
    EXPECT_GE(waited, 1000);
    EXPECT_LT(waited, 2500);
    EXPECT_GE(pump.calls, 1000 / kRunPollMs - 1);
    EXPECT_LE(pump.WorstGapMs(), kRunPollMs + 100);
    EXPECT_EQ(Recorded(), "");                                      // still running
    EXPECT_TRUE(WaitUntil([&] { return Recorded() == "wait=3000\n"; }));  // and it ran to its end
}

TEST_F(Run, AProgramThatDoesNotExistIsLogged) {
    EXPECT_FALSE(app.update.RunAndWait("\"" + root / "temp/none.exe" + "\" /VERYSILENT"));
    EXPECT_EQ(LogLines(), Lines{"RunAndWait: No such file or directory"});
}

TEST_F(Run, AWindowsProgramIsStartedThroughWine) {
    const std::string windowsProgram = std::string(WINDOWS_FIXTURE_DIR) + "/args_program.exe";
    if (!std::filesystem::exists(windowsProgram)) GTEST_SKIP() << "no MinGW toolchain built the program";
    if (!WineReady()) GTEST_SKIP() << "Wine is not installed";
    const std::string program = Program(windowsProgram);
    EXPECT_TRUE(app.update.RunAndWait("\"" + program + "\" /VERYSILENT \"two words\""));
    EXPECT_EQ(Recorded(), "/VERYSILENT\ntwo words\n");
}

TEST_F(Run, WebAddressesGoToTheDesktopsOpenerAndNothingElseDoes) {
    // An opener of our own first on PATH records what it was given.
    const std::string bin = root / "bin";
    std::filesystem::create_directories(bin);
    pankor::testing::WriteAll(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" >> '" + root / "opened.txt" + "'\n");
    chmod((bin + "/xdg-open").c_str(), 0755);
    const ScopedVariable path("PATH", bin + ":" + std::getenv("PATH"));

    app.update.OpenUrl("file:///etc/passwd");
    app.update.OpenUrl("https://tarnwick.test/clock/?a=1&b=2");
    EXPECT_TRUE(WaitUntil([&] { return !ReadAll(root / "opened.txt").empty(); }));
    EXPECT_EQ(ReadAll(root / "opened.txt"), "https://tarnwick.test/clock/?a=1&b=2");
    EXPECT_EQ(LogLines(), Lines{"refused non-http url: file:///etc/passwd"});
}

}  // namespace

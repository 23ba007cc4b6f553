#include "Fixture.h"
#include "startup/Encoders.h"
#include "trust/TrustKeys.h"

using namespace pankor;
using pankor::testing::AppTest;

namespace {

class MainTest : public AppTest {
protected:
    MainTest() {
        app.process.DebugMode = false;
        app.process.DataDir.clear();
    }
    bool Start(const std::string& commandLine) {
        fake.system.commandLine = commandLine;
        return app.main.Main();
    }
    std::string Handoff() const { return File(std::string(kDataDir) + "\\handoff.txt"); }
    static constexpr const char* kEmulation =
        "hkcu\\software\\microsoft\\internet explorer\\main\\featurecontrol\\feature_browser_emulation\\pankor.exe";
    static constexpr const char* kLmz =
        "hkcu\\software\\microsoft\\internet explorer\\main\\featurecontrol\\feature_block_lmz_script\\pankor.exe";
};

}  // namespace

TEST_F(MainTest, FirstCopySetsProcessValuesWritesFeatureValuesAndKeepsThePendingCommand) {
    fake.registry.values[kEmulation] = "11001";  // rewritten even when already right
    fake.fs.folders.erase(kDataDir);
    EXPECT_TRUE(Start("/Debug /installed=Clock-Pro"));

    EXPECT_TRUE(app.process.DebugMode);
    EXPECT_TRUE(fake.system.dpiAwareCalled);
    EXPECT_EQ(app.process.RunDir, "C:\\Apps\\Pankor");
    EXPECT_EQ(app.process.DataDir, kDataDir);
    EXPECT_TRUE(fake.fs.folders.count(kDataDir));
    EXPECT_EQ(fake.instanceLock.askedFor, "Local\\Pankor.SingleInstance.v1");
    EXPECT_EQ(fake.registry.values[kEmulation], "11001");
    EXPECT_EQ(fake.registry.values[kLmz], "0");
    EXPECT_EQ(app.process.PendingCommand, "installed=clock-pro");
    EXPECT_EQ(Log(), std::string("14:03:27 --- Pankor start, runDir=C:\\Apps\\Pankor\r\n") +
                         (kTrustsDevelopmentKeys
                              ? "14:03:27 TRUST: this build trusts the DEVELOPMENT keys - not for release\r\n"
                              : ""));
    EXPECT_EQ(Handoff(), "<missing>");
}

TEST_F(MainTest, SecondCopyHandsItsRequestOverAndEnds) {
    fake.instanceLock.next = Result<bool>::Of(false);
    EXPECT_FALSE(Start("/debug"));
    EXPECT_EQ(Handoff(), "2031-05-06 14:03:27|show\r\n");
    EXPECT_EQ(fake.system.allowForegroundCalls, 1);
    EXPECT_EQ(Log(), "14:03:27 another Pankor already has the mutex\r\n14:03:27 handoff posted: show\r\n");
    EXPECT_TRUE(fake.registry.values.empty());  // only the first copy writes them
}

TEST_F(MainTest, SecondCopyWithTrayStaysQuietUnlessItCarriesASlug) {
    fake.instanceLock.next = Result<bool>::Of(false);
    EXPECT_FALSE(Start("/tray /debug"));
    EXPECT_EQ(Handoff(), "<missing>");
    EXPECT_NE(Log().find("second copy with /tray - exiting quietly"), std::string::npos);

    EXPECT_FALSE(Start("/tray /installed=foo"));
    EXPECT_EQ(Handoff(), "2031-05-06 14:03:27|installed=foo\r\n");
}

TEST_F(MainTest, SecondCopyWithABadSlugFallsBackToShow) {
    fake.instanceLock.next = Result<bool>::Of(false);
    EXPECT_FALSE(Start("/debug /installed=my_app"));
    EXPECT_EQ(Handoff(), "2031-05-06 14:03:27|show\r\n");
    EXPECT_NE(Log().find("REFUSED /installed= : not a plain slug"), std::string::npos);
}

TEST_F(MainTest, AFailedLockRunsAsFirstCopyAndSaysSo) {
    fake.instanceLock.next = Result<bool>::Fail("Access is denied.", 5);
    EXPECT_TRUE(Start("/debug"));
    EXPECT_NE(Log().find("CreateMutex failed, err=5 - running anyway"), std::string::npos);
}

TEST_F(MainTest, DebugSwitchIsACaseInsensitiveSubstring) {
    for (const char* line : {"/DEBUG", "x /Debug y", "/debugger"}) {
        fake.system.commandLine = line;
        app.main.Main();
        EXPECT_TRUE(app.process.DebugMode) << line;
    }
    for (const char* line : {"", "/deb ug", "debug"}) {
        fake.system.commandLine = line;
        app.main.Main();
        EXPECT_FALSE(app.process.DebugMode) << line;
    }
}

TEST_F(MainTest, MissingAppDataGivesARootRelativeDataFolder) {
    fake.environment.vars.clear();
    Start("");
    EXPECT_EQ(app.process.DataDir, "\\Pankor");
}

TEST_F(AppTest, DebugLogLineLayoutAndGate) {
    fake.system.now = {2031, 1, 2, 21, 5, 3};
    app.log.DebugLog("hello");
    EXPECT_EQ(Log(), "21:05:03 hello\r\n");
    app.process.DebugMode = false;
    app.log.DebugLog("hidden");
    EXPECT_EQ(Log(), "21:05:03 hello\r\n");
    app.process.DebugMode = true;
    app.process.DataDir = "C:\\nowhere";  // a folder that does not exist: the line is lost quietly
    app.log.DebugLog("lost");
    EXPECT_EQ(Log(), "21:05:03 hello\r\n");
}

TEST_F(AppTest, DpiPercentRoundsHalvesToEvenAndNeverGoesBelow100) {
    const std::pair<int, int> cases[] = {{96, 100},  {120, 125}, {144, 150}, {192, 200}, {72, 100},
                                         {108, 112}, {0, 100},   {-5, 100},  {100, 104}, {288, 300}};
    for (auto [dpi, percent] : cases) {
        fake.system.dpi = dpi;
        EXPECT_EQ(app.main.DpiPercent(), percent) << dpi;
    }
}

TEST(JsonEscape, EscapesWhatWouldBreakAStringLiteralAndNothingElse) {
    EXPECT_EQ(JsonEscape("a\r\nb"), "a\\nb");
    EXPECT_EQ(JsonEscape("a\rb\nc"), "a\\nb\\nc");
    EXPECT_EQ(JsonEscape("\r\r\n\n"), "\\n\\n\\n");
    EXPECT_EQ(JsonEscape("t\tq\"b\\"), "t\\tq\\\"b\\\\");
    EXPECT_EQ(JsonEscape("\\n"), "\\\\n");
    // Other control characters and the two Unicode line separators as \uXXXX.
    EXPECT_EQ(JsonEscape(std::string("\x01/\xC3\xA9<\x1F\0", 7)), "\\u0001/\xC3\xA9<\\u001F\\u0000");
    EXPECT_EQ(JsonEscape("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xE2\x80\xA7"), "a\\u2028b\\u2029c\xE2\x80\xA7");
    EXPECT_EQ(JsonEscape("\xE2\x80"), "\xE2\x80");  // a cut sequence passes as it is
    EXPECT_EQ(JsonEscape(""), "");
}

TEST(UrlDecode, DecodesPlusAndPercentEscapesAsUtf8) {
    EXPECT_EQ(UrlDecode("a+b%20c"), "a b c");
    EXPECT_EQ(UrlDecode("%4"), "%4");
    EXPECT_EQ(UrlDecode("50%"), "50%");
    EXPECT_EQ(UrlDecode("%C3%A9"), "\xC3\xA9");
    EXPECT_EQ(UrlDecode("%2B%2b"), "++");
    EXPECT_EQ(UrlDecode("https%3A%2F%2Fx.test%2Fa%3Fb%3D1"), "https://x.test/a?b=1");
    EXPECT_EQ(UrlDecode("%E9t%E9"), "\xEF\xBF\xBDt\xEF\xBF\xBD");  // Latin-1 bytes are not UTF-8
    EXPECT_EQ(UrlDecode("%C3"), "\xEF\xBF\xBD");
    EXPECT_EQ(UrlDecode("\xC3\xA9"), "\xC3\xA9");  // literal UTF-8 passes
    EXPECT_EQ(UrlDecode(""), "");
}

TEST(UrlDecode, AMalformedEscapeFailsTheWholeDecoding) {
    EXPECT_EQ(UrlDecode("%zz"), std::nullopt);
    EXPECT_EQ(UrlDecode("ok%2"), "ok%2");
    EXPECT_EQ(UrlDecode("a%g1b"), std::nullopt);
    EXPECT_EQ(UrlDecode("%+1"), std::nullopt);
}

#include <algorithm>

#include "Fixture.h"

using namespace pankor;
using pankor::testing::AppTest;

namespace {

class InstanceTest : public AppTest {
protected:
    std::string HandoffFile() const { return std::string(kDataDir) + "\\handoff.txt"; }
    void WriteHandoff(const std::string& text) { fake.fs.files[HandoffFile()] = text; }
    std::string ParsedArg(const std::string& commandLine) {
        fake.system.commandLine = commandLine;
        return app.instance.ParseInstalledArg();
    }
};

}  // namespace

TEST(IsPlainSlug, LettersDigitsAndHyphensUpTo32) {
    EXPECT_TRUE(IsPlainSlug("clock-pro"));
    EXPECT_TRUE(IsPlainSlug("Clock-Pro"));
    EXPECT_TRUE(IsPlainSlug(std::string(32, 'a')));
    EXPECT_TRUE(IsPlainSlug("0-9"));
    EXPECT_FALSE(IsPlainSlug(std::string(33, 'a')));
    EXPECT_FALSE(IsPlainSlug(""));
    for (const char* bad : {"my_app", "a b", "a.b", "a\"b", "a/b", "\xC3\xA9t\xC3\xA9", "a\\b", "[a]"})
        EXPECT_FALSE(IsPlainSlug(bad)) << bad;
}

TEST_F(InstanceTest, InstalledArgumentIsCutQuotedAndLowerCased) {
    EXPECT_EQ(ParsedArg("/installed=Clock-Pro"), "installed=clock-pro");
    EXPECT_EQ(ParsedArg("/tray /INSTALLED=abc /debug"), "installed=abc");
    EXPECT_EQ(ParsedArg("/installed=\"clock\""), "installed=clock");
    EXPECT_EQ(ParsedArg("/installed=\"clock pro\""), "installed=clock");
    EXPECT_EQ(ParsedArg("/installed=" + std::string(32, 'z')), "installed=" + std::string(32, 'z'));
    EXPECT_EQ(ParsedArg("/tray"), "");
    EXPECT_EQ(Log(), "");  // no switch, nothing refused
}

TEST_F(InstanceTest, BadInstalledArgumentsAreRefusedAndLogged) {
    for (const std::string& bad :
         std::vector<std::string>{"/installed=my_app", "/installed=", "/installed=" + std::string(33, 'a'),
                                  "/installed= clock", "/installed=a.exe"}) {
        fake.fs.files.clear();
        EXPECT_EQ(ParsedArg(bad), "") << bad;
        EXPECT_EQ(Log(), "14:03:27 REFUSED /installed= : not a plain slug\r\n") << bad;
    }
}

TEST_F(InstanceTest, PostHandoffWritesOneStampedLineAndTheLastWriterWins) {
    app.instance.PostHandoff("installed=clock-pro");
    EXPECT_EQ(File(HandoffFile()), "2031-05-06 14:03:27|installed=clock-pro\r\n");
    fake.system.now.second = 28;
    app.instance.PostHandoff("show");
    EXPECT_EQ(File(HandoffFile()), "2031-05-06 14:03:28|show\r\n");
    EXPECT_EQ(fake.system.allowForegroundCalls, 2);
    EXPECT_NE(Log().find("handoff posted: show"), std::string::npos);
}

TEST_F(InstanceTest, PostHandoffCreatesTheDataFolderAndSurvivesAMissingParent) {
    fake.fs.folders.erase(kDataDir);
    app.instance.PostHandoff("show");
    EXPECT_EQ(File(HandoffFile()), "2031-05-06 14:03:27|show\r\n");

    app.process.DataDir = "C:\\missing\\Pankor";
    app.process.DebugMode = false;
    app.instance.PostHandoff("show");  // nothing can be written; the later steps still run
    EXPECT_EQ(fake.system.allowForegroundCalls, 2);
}

TEST_F(InstanceTest, TakeHandoffHonoursTheThirtySecondRuleInBothDirections) {
    struct Case {
        const char* stamp;
        const char* expected;
        const char* log;
    };
    const Case cases[] = {
        {"2031-05-06 14:02:57", "show", "handoff taken: show"},                // 30 s old
        {"2031-05-06 14:02:56", "", "handoff DISCARDED, 31s old:  show "},     // 31 s old
        {"2031-05-06 14:03:37", "show", "handoff taken: show"},                // 10 s ahead
        {"2031-05-06 14:03:58", "", "handoff DISCARDED, 31s old:  show "},     // 31 s ahead
        {"2031-05-05 14:03:27", "", "handoff DISCARDED, 86400s old:  show "},  // across midnight
        {"not a time", "show", "handoff taken: show"},                         // unreadable: fresh
        {"2031-02-30 10:00:00", "show", "handoff taken: show"},                // impossible date
        // An old time with one separator wrong is no stamp: fresh.
        {"2020-01-01T00:00:00", "show", "handoff taken: show"},
        {"2020/01-01 00:00:00", "show", "handoff taken: show"},
        {"2020-01/01 00:00:00", "show", "handoff taken: show"},
        {"2020-01-01 00-00:00", "show", "handoff taken: show"},
        {"2020-01-01 00:00-00", "show", "handoff taken: show"},
        {"2020-01-01 00:00:000", "show", "handoff taken: show"},
    };
    for (const Case& c : cases) {
        fake.fs.files.clear();
        WriteHandoff(std::string(c.stamp) + "| show \r\n");
        EXPECT_EQ(app.instance.TakeHandoff(), c.expected) << c.stamp;
        EXPECT_EQ(File(HandoffFile()), "<missing>") << c.stamp;
        EXPECT_EQ(Log(), "14:03:27 " + std::string(c.log) + "\r\n") << c.stamp;
    }
}

TEST_F(InstanceTest, TakeHandoffIgnoresLinesWithoutAStampButStillDeletesThem) {
    for (const char* text : {"|show\r\n", "show\r\n", "", "\r\n", "x|"}) {
        fake.fs.files.clear();
        WriteHandoff(text);
        EXPECT_EQ(app.instance.TakeHandoff(), "") << text;
        EXPECT_EQ(File(HandoffFile()), "<missing>") << text;
    }
    EXPECT_EQ(app.instance.TakeHandoff(), "");  // no file at all
}

TEST_F(InstanceTest, TakeHandoffReadsOnlyTheFirstLine) {
    WriteHandoff("2031-05-06 14:03:20|installed=a\r\n2031-05-06 14:03:27|installed=b\r\n");
    EXPECT_EQ(app.instance.TakeHandoff(), "installed=a");
}

TEST_F(InstanceTest, AHandoffThatCannotBeReadStaysForTheNextTick) {
    WriteHandoff("2031-05-06 14:03:27|show\r\n");
    fake.fs.lockedFiles.insert(HandoffFile());
    EXPECT_EQ(app.instance.TakeHandoff(), "");
    fake.fs.lockedFiles.clear();
    EXPECT_EQ(app.instance.TakeHandoff(), "show");
}

TEST_F(InstanceTest, AFolderNamedLikeTheHandoffIsNotAHandoff) {
    fake.fs.folders.insert(HandoffFile());
    EXPECT_EQ(app.instance.TakeHandoff(), "");
    EXPECT_TRUE(fake.fs.folders.count(HandoffFile()));
}

TEST(HandoffLine, FormatAndParseAgree) {
    const DateTime now{2031, 12, 31, 23, 59, 59};
    const std::string line = FormatHandoffLine(now, "installed=x");
    EXPECT_EQ(line, "2031-12-31 23:59:59|installed=x\r\n");
    const HandoffLine h = ParseHandoffLine(line.substr(0, line.size() - 2), DateTime{2032, 1, 1, 0, 0, 29});
    EXPECT_TRUE(h.valid);
    EXPECT_TRUE(h.fresh);
    EXPECT_EQ(h.ageSeconds, 30);
    EXPECT_EQ(h.command, "installed=x");
}

TEST_F(InstanceTest, AHandoffThatCannotBeDeletedIsTakenOnceAndALostWriteIsLogged) {
    WriteHandoff("2031-05-06 14:03:20|show\r\n");
    fake.fs.undeletable.insert(HandoffFile());
    EXPECT_EQ(app.instance.TakeHandoff(), "show");
    EXPECT_EQ(app.instance.TakeHandoff(), "");  // the same request, still there: not again
    EXPECT_EQ(app.instance.TakeHandoff(), "");
    WriteHandoff("2031-05-06 14:03:25|installed=clock\r\n");  // a new one is news
    EXPECT_EQ(app.instance.TakeHandoff(), "installed=clock");
    const std::string log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;  // two deletes refused, two taken
    EXPECT_NE(log.find("TakeHandoff could not delete " + HandoffFile() + ": Access is denied."), std::string::npos);

    fake.fs.lockedFiles.insert(HandoffFile());
    app.instance.PostHandoff("show");
    EXPECT_NE(Log().find("PostHandoff failed " + HandoffFile() + ": Permission denied"), std::string::npos) << Log();
}

#include "Fixture.h"

using namespace pankor;
using pankor::testing::AppTest;

namespace {

class FileTest : public AppTest {
protected:
    std::string Ini() const { return std::string(kDataDir) + "\\state.ini"; }
};

}  // namespace

TEST_F(FileTest, FileAndFolderTests) {
    fake.fs.files[Ini()] = "";
    EXPECT_TRUE(app.file.FileExists(Ini()));
    EXPECT_FALSE(app.file.FileExists(kDataDir));  // a folder is no file
    EXPECT_FALSE(app.file.FileExists(""));
    EXPECT_TRUE(app.file.DirExists(kDataDir));
    EXPECT_FALSE(app.file.DirExists(Ini()));
    EXPECT_FALSE(app.file.DirExists(""));
}

TEST_F(FileTest, EnsureFolderCreatesOneLevelOnly) {
    app.file.EnsureFolder(std::string(kDataDir) + "\\icons");
    EXPECT_TRUE(app.file.DirExists(std::string(kDataDir) + "\\icons"));
    app.file.EnsureFolder(std::string(kDataDir) + "\\a\\b");
    EXPECT_FALSE(app.file.DirExists(std::string(kDataDir) + "\\a"));
    EXPECT_FALSE(app.file.DirExists(std::string(kDataDir) + "\\a\\b"));
    app.file.EnsureFolder("");
    EXPECT_EQ(Log(), "");
}

TEST_F(FileTest, DirCreatedIsTheZeroDateForAMissingFolder) {
    EXPECT_TRUE(app.file.DirCreated("C:\\missing").IsZero());
    fake.fs.created[kDataDir] = {2030, 1, 2, 3, 4, 5};
    const DateTime d = app.file.DirCreated(kDataDir);
    EXPECT_EQ(d.year, 2030);
    EXPECT_EQ(d.second, 5);
}

TEST_F(FileTest, WriteTextFileWritesExactlyTheTextAndLogsAFailureKeepingTheOldFile) {
    app.file.WriteTextFile(Ini(), "abc");
    EXPECT_EQ(File(Ini()), "abc");

    fake.fs.lockedFiles.insert(Ini());
    app.file.WriteTextFile(Ini(), "new");
    EXPECT_EQ(File(Ini()), "abc");
    EXPECT_EQ(Log(), "14:03:27 WriteTextFile failed " + Ini() + ": Permission denied\r\n");
}

TEST_F(FileTest, IniReadFollowsTheKeyFileRules) {
    fake.fs.files[Ini()] =
        "[section]\r\n"
        "[z=3\r\n"
        ";x=1\r\n"
        "'y=2\r\n"
        "; consent=commented\r\n"
        "'consent=quoted\r\n"
        "=novalue\r\n"
        "  Consent  =  yes please  \r\n"
        "consent=second\r\n"
        "url=https://x.test/?a=b\r\n"
        "empty=\r\n"
        "noequals\r\n"
        "lf=unix\nlast=no line end";
    EXPECT_EQ(app.file.IniRead(Ini(), "consent", "d"), "yes please");
    EXPECT_EQ(app.file.IniRead(Ini(), "URL", "d"), "https://x.test/?a=b");
    EXPECT_EQ(app.file.IniRead(Ini(), "empty", "d"), "");
    EXPECT_EQ(app.file.IniRead(Ini(), "noequals", "d"), "d");
    EXPECT_EQ(app.file.IniRead(Ini(), "section", "d"), "d");
    for (const char* commented : {"[z", ";x", "'y"}) EXPECT_EQ(app.file.IniRead(Ini(), commented, "d"), "d");
    EXPECT_EQ(app.file.IniRead(Ini(), "", "d"), "d");
    EXPECT_EQ(app.file.IniRead(Ini(), "lf", "d"), "unix");
    EXPECT_EQ(app.file.IniRead(Ini(), "last", "d"), "no line end");
    EXPECT_EQ(app.file.IniRead(std::string(kDataDir) + "\\none.ini", "consent", "d"), "d");
    EXPECT_EQ(app.file.IniRead(kDataDir, "consent", "d"), "d");  // a folder
}

TEST_F(FileTest, IniWriteReplacesEveryMatchInPlaceAndDropsBlankLines) {
    fake.fs.files[Ini()] = "a=1\r\n\r\n   \r\nnotify=0\r\nNOTIFY = 5\r\n";
    app.file.IniWrite(Ini(), "notify", "1");
    EXPECT_EQ(File(Ini()), "a=1\r\nnotify=1\r\nnotify=1\r\n");
}

TEST_F(FileTest, IniWriteKeepsForeignLinesAndAppendsANewKey) {
    fake.fs.files[Ini()] = "[main]\r\nfree text\r\n; seen=1\r\n[seen=2]";
    app.file.IniWrite(Ini(), "seen", "2031-05-06");
    EXPECT_EQ(File(Ini()), "[main]\r\nfree text\r\n; seen=1\r\n[seen=2]\r\nseen=2031-05-06\r\n");
}

TEST_F(FileTest, IniWriteCreatesTheFileAndItsFolder) {
    app.file.IniWrite(Ini(), "catalogserial", "12");
    EXPECT_EQ(File(Ini()), "catalogserial=12\r\n");

    const std::string deeper = std::string(kDataDir) + "\\sub\\options.ini";
    app.file.IniWrite(deeper, "Skin", "Dark");
    EXPECT_EQ(File(deeper), "Skin=Dark\r\n");
    EXPECT_EQ(app.file.IniRead(deeper, "skin", ""), "Dark");
}

TEST_F(FileTest, IniWriteOfAFileItCannotReadLeavesItAndLogs) {
    fake.fs.files[Ini()] = "consent=yes\r\ncatalogserial=40\r\n";
    fake.fs.lockedFiles.insert(Ini());
    app.file.IniWrite(Ini(), "catalogserial", "41");
    fake.fs.lockedFiles.clear();
    EXPECT_EQ(File(Ini()), "consent=yes\r\ncatalogserial=40\r\n");  // "consent" survives
    EXPECT_NE(Log().find("IniWrite refused " + Ini() + ": cannot read it (File not found)"), std::string::npos)
        << Log();
}

TEST(IniRewrite, RoundTripsThroughIniLookup) {
    std::string text;
    text = IniRewrite(text, "a", "x=y");
    text = IniRewrite(text, "b", "");
    text = IniRewrite(text, "A", "z");
    EXPECT_EQ(text, "A=z\r\nb=\r\n");
    EXPECT_EQ(IniLookup(text, "a"), "z");
    EXPECT_EQ(IniLookup(text, "b"), "");
    EXPECT_EQ(IniLookup(text, "c"), std::nullopt);
}

TEST_F(FileTest, LeftoversOfKilledWritersAreSweptOnceTheyAreAMinuteOld) {
    const std::int64_t now = fake.system.now.SerialSeconds();
    const auto put = [&](const std::string& name, std::int64_t age) {
        const std::string path = std::string(kDataDir) + "\\" + name;
        fake.fs.files[path] = "x";
        fake.fs.modified[path] = now - age;
        return path;
    };
    const std::string old = put("state.ini.tmp-Ab12Cd", 61);
    const std::string fresh = put("telemetry.ini.tmp-Zz99", 60);  // may still be being written
    const std::string state = put("state.ini", 3600);
    const std::string lookalike = put("notes.tmp-", 3600);  // no unique part: not ours
    fake.fs.folders.insert(std::string(kDataDir) + "\\icons.tmp-1");
    app.file.RemoveLeftoverTempFiles(kDataDir);
    EXPECT_EQ(File(old), "<missing>");
    for (const std::string& kept : {fresh, state, lookalike}) EXPECT_EQ(File(kept), "x") << kept;
    EXPECT_TRUE(fake.fs.folders.count(std::string(kDataDir) + "\\icons.tmp-1"));
    EXPECT_EQ(Log(), "");  // quietly
}

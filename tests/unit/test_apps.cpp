// Apps on this machine: settings folders, uninstallers, backup and restore.
#include <map>

#include "HostFixture.h"

using namespace pankor;
using pankor::testing::HostTest;
using pankor::testing::Lines;

namespace {

const std::string kUninstall = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class AppsTest : public HostTest {
protected:
    // One uninstall entry: its subkey, display name and command ("-" leaves a value out).
    void Entry(const std::string& subkey, const std::string& shown, const std::string& command,
               const std::string& root = kUninstall) {
        if (shown != "-") fake.registry.values[LowerAscii(root + "\\" + subkey + "\\DisplayName")] = shown;
        if (command != "-") fake.registry.values[LowerAscii(root + "\\" + subkey + "\\UninstallString")] = command;
    }
    std::string Settings(const std::string& relative) const { return std::string(kAppData) + "\\" + relative; }
    void Folder(const std::string& path) { fake.fs.folders.insert(path); }
};

struct FolderNameCase {
    const char* exe;
    const char* name;
    const char* folder;
};

class FolderName : public AppsTest, public ::testing::WithParamInterface<FolderNameCase> {};

TEST_P(FolderName, IsExeUpToItsFirstBackslashElseTheName) {
    AddApp("tool", GetParam().name, GetParam().exe);
    EXPECT_EQ(app.apps.AppFolderName(0), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Exes, FolderName,
                         ::testing::Values(FolderNameCase{"Tool\\Tool.exe", "Tarnwick Tool", "Tool"},
                                           FolderNameCase{"Tarnwick\\Tool\\tool.exe", "Tool", "Tarnwick"},
                                           FolderNameCase{"Tool.exe", "Tarnwick Tool", "Tarnwick Tool"},
                                           FolderNameCase{"", "Tarnwick Tool", "Tarnwick Tool"}));

struct Uninstaller {
    const char* name;
    std::vector<std::vector<std::string>> entries;  // subkey, display name, command
    const char* wanted;
    const char* found;
};

class FindUninstaller : public AppsTest, public ::testing::WithParamInterface<Uninstaller> {};

TEST_P(FindUninstaller, TakesTheFirstPerUserEntryWhoseNameStartsWithTheWantedOne) {
    for (const auto& e : GetParam().entries) Entry(e[0], e[1], e[2], e.size() > 3 ? e[3] : kUninstall);
    EXPECT_EQ(app.apps.FindUninstaller(GetParam().wanted), GetParam().found);
    EXPECT_EQ(LogLines(), Lines{});
}

const std::string kLong(1024, 'x');
INSTANTIATE_TEST_SUITE_P(
    Entries, FindUninstaller,
    ::testing::Values(
        Uninstaller{"OtherCase", {{"{A1}", "FOO Suite", "\"C:\\Foo\\unins000.exe\" /SILENT"}}, "Foo",
                    "\"C:\\Foo\\unins000.exe\" /SILENT"},
        Uninstaller{"NotAPrefix", {{"a", "My Foo", "u.exe"}}, "Foo", ""},
        Uninstaller{"EmptyName", {{"a", "", "u.exe"}, {"b", "Foo", "v.exe"}}, "", ""},
        Uninstaller{"NoCommandIsPassedOver", {{"a", "Foo 1", "-"}, {"b", "Foo 2", "v.exe"}}, "Foo", "v.exe"},
        Uninstaller{"NoDisplayName", {{"a", "-", "u.exe"}, {"b", "Foo", "v.exe"}}, "Foo", "v.exe"},
        Uninstaller{"FirstInOrderWins", {{"b-new", "Foo 2.0", "new.exe"}, {"a-old", "Foo 1.0", "old.exe"}}, "Foo",
                    "old.exe"},
        Uninstaller{"CommandAsStored", {{"t", "Tool 3.2 (per-user)", "\"%APPDATA%\\T\\un.exe\" /x \"a b\""}}, "Tool",
                    "\"%APPDATA%\\T\\un.exe\" /x \"a b\""},
        Uninstaller{"MachineEntriesAreNeverSeen",
                    {{"a", "Foo", "machine.exe", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}},
                    "Foo", ""},
        Uninstaller{"DisplayNameOf1023Bytes", {{"a", "Foo" + std::string(1020, 'x'), "u.exe"}}, "Foo", "u.exe"},
        Uninstaller{"DisplayNameOf1024BytesIsUnreadable", {{"a", "Foo" + std::string(1021, 'x'), "u.exe"}, {"b", "Foo", "v.exe"}},
                    "Foo", "v.exe"},
        Uninstaller{"CommandOf1024BytesIsUnreadable", {{"a", "Foo", kLong}, {"b", "Foo", "v.exe"}}, "Foo", "v.exe"},
        Uninstaller{"SubkeyNameOf512CharsEndsTheScan", {{std::string(512, 'k'), "Foo", "u.exe"}, {"z", "Foo", "v.exe"}},
                    "Foo", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppsTest, AtMost4000EntriesAreLookedAt) {
    for (int i = 0; i < 4000; ++i) Entry("e" + Pad4(i), "Other " + std::to_string(i), "o.exe");
    Entry("e4000", "Foo", "late.exe");
    EXPECT_EQ(app.apps.FindUninstaller("Foo"), "");
    Entry("e3999", "Foo", "last.exe");
    EXPECT_EQ(app.apps.FindUninstaller("Foo"), "last.exe");
}

TEST_F(AppsTest, UninstallStartsTheCommandWithANormalWindowAndLogsIt) {
    Entry("tool", "Tool 3.2 (per-user)", "\"C:\\Tool\\unins000.exe\" /SILENT");
    EXPECT_TRUE(app.apps.UninstallApp("Tool"));
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine, "\"C:\\Tool\\unins000.exe\" /SILENT");
    EXPECT_FALSE(fake.processes.started[0].hidden);
    EXPECT_FALSE(app.apps.UninstallApp("Clock"));
    fake.processes.startFailure = "The system cannot find the file specified.";
    EXPECT_FALSE(app.apps.UninstallApp("Tool"));
    EXPECT_EQ(LogLines(), (Lines{"uninstall Tool -> \"C:\\Tool\\unins000.exe\" /SILENT",
                                 "no uninstaller found for Clock",
                                 "uninstall Tool -> \"C:\\Tool\\unins000.exe\" /SILENT",
                                 "UninstallApp error: The system cannot find the file specified."}));
}

struct SkipCase {
    const char* file;
    bool skipped;
};

class SkippedFile : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkippedFile, ProgramsAndLogsAreLeftOut) { EXPECT_EQ(IsSkippedFile(GetParam().file), GetParam().skipped); }

INSTANTIATE_TEST_SUITE_P(Names, SkippedFile,
                         ::testing::Values(SkipCase{"settings.ini", false}, SkipCase{"app.log", true},
                                           SkipCase{"Helper.DLL", true}, SkipCase{"ctl.ocx", true},
                                           SkipCase{"types.TLB", true}, SkipCase{"Tool.Exe", true},
                                           SkipCase{"log", true}, SkipCase{"old.exe.bak", false}));

TEST_F(AppsTest, CopyTreeCopiesSettingsWithSubFoldersAndCountsOnlyWhatWasCopied) {
    const std::string from = Settings("Tool");
    Folder(from);
    Folder(from + "\\skins");
    fake.fs.files[from + "\\settings.ini"] = "a=1";
    fake.fs.files[from + "\\app.log"] = "log";
    fake.fs.files[from + "\\Helper.DLL"] = "MZ";
    fake.fs.files[from + "\\held.dat"] = "held open";
    fake.fs.lockedFiles.insert(from + "\\held.dat");
    fake.fs.files[from + "\\skins\\dark.ini"] = "b=2";
    fake.fs.files[from + "\\skins\\skin.exe"] = "MZ";
    Folder("D:");
    int counter = 5;
    app.apps.CopyTree(from, "D:\\copy", counter);
    EXPECT_EQ(counter, 7);
    EXPECT_EQ(fake.fs.files["D:\\copy\\settings.ini"], "a=1");
    EXPECT_EQ(fake.fs.files["D:\\copy\\skins\\dark.ini"], "b=2");
    for (const char* left : {"app.log", "Helper.DLL", "held.dat", "skins\\skin.exe"})
        EXPECT_EQ(fake.fs.files.count(std::string("D:\\copy\\") + left), 0u) << left;
    int none = 0;
    app.apps.CopyTree(Settings("Missing"), "D:\\other", none);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(fake.fs.folders.count("D:\\other"), 0u);
    EXPECT_EQ(LogLines(), Lines{});
}

class BackupTest : public AppsTest {
protected:
    BackupTest() {
        Folder("D:");
        Folder("D:\\Backups");
        AddApp("tool", "Tool", "Tool\\Tool.exe");
        AddApp("jot", "Jotter", "Jotter.exe");
        AddApp("mines", "Mines", "Mines\\mines.exe").kind = "game";
        Folder(Settings("Tool"));
        fake.fs.files[Settings("Tool\\settings.ini")] = "theme=dark";
        fake.fs.files[Settings("Tool\\app.log")] = "log";
        fake.fs.files[Settings("Tool\\Helper.DLL")] = "MZ";
        Folder(Settings("Jotter"));
        fake.fs.files[Settings("Jotter\\notes.ini")] = "n=1";
        Folder(Settings("Mines"));
        fake.fs.files[Settings("Mines\\scores.ini")] = "top=9";
    }
    static constexpr const char* kDest = "D:\\Backups\\Pankor-backup-2031-05-06-1403";
};

TEST_F(BackupTest, EachAppsSettingsGoIntoOneTimeStampedFolderWithoutGamesProgramsOrLogs) {
    EXPECT_EQ(app.apps.BackupConfig("D:\\Backups"), kDest);
    EXPECT_EQ(fake.fs.files[std::string(kDest) + "\\Tool\\settings.ini"], "theme=dark");
    EXPECT_EQ(fake.fs.files[std::string(kDest) + "\\Jotter\\notes.ini"], "n=1");  // named after the app
    for (const char* left : {"\\Tool\\app.log", "\\Tool\\Helper.DLL", "\\Mines\\scores.ini"})
        EXPECT_EQ(fake.fs.files.count(kDest + std::string(left)), 0u) << left;
    EXPECT_EQ(LogLines(), Lines{"backup wrote 2 file(s) to D:\\Backups\\Pankor-backup-2031-05-06-1403"});
}

TEST_F(BackupTest, TheStampHasTwoDigitsForEachPartAfterTheYear) {
    EXPECT_EQ(BackupStamp(DateTime{2026, 12, 4, 5, 17, 59}), "2026-12-04-0517");
    EXPECT_EQ(BackupStamp(DateTime{2031, 1, 2, 23, 0, 0}), "2031-01-02-2300");
}

TEST_F(BackupTest, TwoBackupsInOneMinuteShareTheFolderAndTheSecondWins) {
    ASSERT_EQ(app.apps.BackupConfig("D:\\Backups"), kDest);
    fake.fs.files[Settings("Tool\\settings.ini")] = "theme=light";
    fake.system.now.second = 59;
    EXPECT_EQ(app.apps.BackupConfig("D:\\Backups"), kDest);
    EXPECT_EQ(fake.fs.files[std::string(kDest) + "\\Tool\\settings.ini"], "theme=light");
}

TEST_F(BackupTest, OnlyGamesInstalledGivesNothingButLeavesTheEmptyFolder) {
    fake.fs.files.erase(Settings("Tool\\settings.ini"));
    fake.fs.files.erase(Settings("Jotter\\notes.ini"));
    EXPECT_EQ(app.apps.BackupConfig("D:\\Backups"), "");
    EXPECT_EQ(fake.fs.folders.count(kDest), 1u);
    EXPECT_EQ(LogLines(), Lines{"backup wrote 0 file(s) to D:\\Backups\\Pankor-backup-2031-05-06-1403"});
}

TEST_F(BackupTest, AnExeThatLeavesItsFolderNeverCopiesAnotherFolder) {
    app.catalog.Apps.clear();
    AddApp("up", "Up", "..\\up.exe");
    AddApp("root", "Root", "\\root.exe");
    EXPECT_EQ(app.apps.BackupConfig("D:\\Backups"), "");
    EXPECT_EQ(LogLines(), (Lines{"backup skipped up: \"..\" is not a plain folder name",
                                 "backup skipped root: \"\" is not a plain folder name",
                                 "backup wrote 0 file(s) to D:\\Backups\\Pankor-backup-2031-05-06-1403"}));
}

TEST_F(BackupTest, ABackupPickedInsideAnAppsFolderIsNotCopiedIntoItself) {
    const std::string root = Settings("Tool\\Backups");
    Folder(root);
    const std::string dest = root + "\\Pankor-backup-2031-05-06-1403";
    EXPECT_EQ(app.apps.BackupConfig(root), dest);
    EXPECT_EQ(fake.fs.files[dest + "\\Tool\\settings.ini"], "theme=dark");
    EXPECT_EQ(fake.fs.folders.count(dest + "\\Tool\\Backups"), 0u);
}

TEST_F(AppsTest, RestoreCopiesEverySubFolderBackStrayOnesToo) {
    const std::string backup = "D:\\Pankor-backup-2031-05-06-1403";
    Folder("D:");
    Folder(backup);
    Folder(backup + "\\Tool");
    Folder(backup + "\\Stray");
    fake.fs.files[backup + "\\Tool\\settings.ini"] = "theme=dark";
    fake.fs.files[backup + "\\Tool\\Tool.exe"] = "MZ planted";
    fake.fs.files[backup + "\\Stray\\x.ini"] = "x=1";
    fake.fs.files[backup + "\\loose.ini"] = "not in an app folder";
    Folder(Settings("Tool"));
    fake.fs.files[Settings("Tool\\settings.ini")] = "theme=light";
    fake.fs.files[Settings("Tool\\only-here.ini")] = "kept";

    EXPECT_EQ(app.apps.RestoreConfig(backup), 2);
    EXPECT_EQ(fake.fs.files[Settings("Tool\\settings.ini")], "theme=dark");
    EXPECT_EQ(fake.fs.files[Settings("Tool\\only-here.ini")], "kept");
    EXPECT_EQ(fake.fs.files[Settings("Stray\\x.ini")], "x=1");
    EXPECT_EQ(fake.fs.files.count(Settings("Tool\\Tool.exe")), 0u);
    EXPECT_EQ(fake.fs.files.count(Settings("loose.ini")), 0u);
    EXPECT_EQ(app.apps.RestoreConfig("D:\\gone"), 0);
    EXPECT_EQ(LogLines(), Lines{"restore copied 2 file(s) from D:\\Pankor-backup-2031-05-06-1403"});
}

}  // namespace

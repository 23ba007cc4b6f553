// Apps on this machine: settings folders, uninstallers, backup and restore.
#include "Fixture.h"

namespace {

const std::string kUninstall = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class AppsTest : public AppTest {
protected:
    // One uninstall entry: its subkey, display name and command ("-" leaves a value out).
    void Entry(const std::string& subkey, const std::string& shown, const std::string& command,
               const std::string& root = kUninstall) {
        if (shown != "-") fake.registry.values[LowerAscii(root + "\\" + subkey + "\\DisplayName")] = shown;
        if (command != "-") fake.registry.values[LowerAscii(root + "\\" + subkey + "\\UninstallString")] = command;
    }
    std::string Settings(const std::string& relative) const { return std::string(kAppData) + "\\" + relative; }
    void Put(const std::string& path, const std::string& text) {
        fake.fs.folders.insert(ParentFolderOf(path));
        fake.fs.files[path] = text;
    }
};

}  // namespace

TEST_F(AppsTest, TheSettingsFolderIsTheExeUpToItsFirstBackslashElseTheName) {
    for (const char* exe : {"Tool\\Tool.exe", "Tarnwick\\Tool\\tool.exe", "Tool.exe", ""})
        AddApp("tool", "Tarnwick Tool", exe);
    std::string folders;  // of the apps at -1 to 4
    for (int i = -1; i <= 4; ++i) folders += app.apps.AppFolderName(i) + "|";
    EXPECT_EQ(folders, "|Tool|Tarnwick|Tarnwick Tool|Tarnwick Tool||");
}

TEST_F(AppsTest, TheUninstallerIsTheFirstPerUserEntryWhoseNameStartsWithTheWantedOne) {
    // the entries (subkey, display name, command[, root]), the name wanted, the command found
    const std::tuple<std::vector<std::vector<std::string>>, const char*, const char*> cases[] = {
        {{{"{A1}", "FOO Suite", "\"C:\\Foo\\unins000.exe\" /SILENT"}}, "Foo", "\"C:\\Foo\\unins000.exe\" /SILENT"},
        {{{"a", "My Foo", "u.exe"}}, "Foo", ""},
        {{{"a", "", "u.exe"}, {"b", "Foo", "v.exe"}}, "", ""},
        {{{"a", "Foo 1", "-"}, {"b", "Foo 2", "v.exe"}}, "Foo", "v.exe"},
        {{{"a", "-", "u.exe"}, {"b", "Foo", "v.exe"}}, "Foo", "v.exe"},
        {{{"b-new", "Foo 2.0", "new.exe"}, {"a-old", "Foo 1.0", "old.exe"}}, "Foo", "old.exe"},
        {{{"a", "Foo", "machine.exe", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}}, "Foo", ""},
        {{{"a", "Foo" + std::string(1020, 'x'), "u.exe"}}, "Foo", "u.exe"},
        {{{"a", "Foo" + std::string(1021, 'x'), "u.exe"}, {"b", "Foo", "v.exe"}}, "Foo", "v.exe"},  // unreadable
        {{{"a", "Foo", std::string(1024, 'x')}, {"b", "Foo", "v.exe"}}, "Foo", "v.exe"},
        {{{std::string(512, 'k'), "Foo", "u.exe"}, {"z", "Foo", "v.exe"}}, "Foo", ""},  // ends the scan
    };
    for (const auto& [entries, wanted, found] : cases) {
        fake.registry.values.clear();
        for (const auto& e : entries) Entry(e[0], e[1], e[2], e.size() > 3 ? e[3] : kUninstall);
        EXPECT_EQ(app.apps.FindUninstaller(wanted), found) << entries[0][1];
    }
    fake.registry.values.clear();
    for (int i = 0; i < 4000; ++i) Entry("e" + Pad4(i), "Other", "o.exe");
    Entry("e4000", "Foo", "late.exe");  // at most 4000 entries are looked at
    EXPECT_EQ(app.apps.FindUninstaller("Foo"), "");
    Entry("e3999", "Foo", "last.exe");
    EXPECT_EQ(app.apps.FindUninstaller("Foo"), "last.exe");
    EXPECT_EQ(LogText(), "");
}

TEST_F(AppsTest, UninstallStartsTheCommandWithANormalWindowAndLogsIt) {
    Entry("tool", "Tool 3.2 (per-user)", "\"C:\\Tool\\unins000.exe\" /SILENT");
    EXPECT_TRUE(app.apps.UninstallApp("Tool"));  // that the command runs: the Wine end-to-end test's
    EXPECT_FALSE(fake.processes.started.at(0).hidden);
    EXPECT_FALSE(app.apps.UninstallApp("Clock"));
    fake.processes.startFailure = "The system cannot find the file specified.";
    EXPECT_FALSE(app.apps.UninstallApp("Tool"));
    const std::string started = "uninstall Tool -> \"C:\\Tool\\unins000.exe\" /SILENT\n";
    EXPECT_EQ(LogText(), started + "no uninstaller found for Clock\n" + started +
                             "UninstallApp error: The system cannot find the file specified.\n");
}

TEST_F(AppsTest, ABackupCopiesEachAppsSettingsWithoutGamesProgramsOrLogs) {
    fake.fs.folders.insert({"D:", "D:\\Backups"});
    AddApp("tool", "Tool", "Tool\\Tool.exe");
    AddApp("jot", "Jotter", "Jotter.exe");
    AddApp("mines", "Mines", "Mines\\mines.exe").kind = "game";
    AddApp("up", "Up", "..\\up.exe");
    AddApp("root", "Root", "\\root.exe");
    for (const char* file : {"Tool\\settings.ini", "Tool\\app.log", "Tool\\Helper.DLL", "Tool\\skins\\dark.ini",
                             "Tool\\skins\\skin.exe", "Tool\\held.dat", "Jotter\\notes.ini", "Mines\\scores.ini"})
        Put(Settings(file), file);
    fake.fs.lockedFiles.insert(Settings("Tool\\held.dat"));
    const std::string dest = "D:\\Backups\\Pankor-backup-2031-05-06-1403";
    EXPECT_EQ(app.apps.BackupConfig("D:\\Backups"), dest);
    for (const char* copied : {"Tool\\settings.ini", "Tool\\skins\\dark.ini", "Jotter\\notes.ini"})
        EXPECT_EQ(File(dest + "\\" + copied), copied);
    for (const char* left :
         {"Tool\\app.log", "Tool\\Helper.DLL", "Tool\\skins\\skin.exe", "Tool\\held.dat", "Mines\\scores.ini"})
        EXPECT_EQ(File(dest + "\\" + left), "<missing>") << left;
    // A second backup in the same minute shares the folder and wins.
    Put(Settings("Tool\\settings.ini"), "theme=light");
    fake.system.now.second = 59;
    EXPECT_EQ(app.apps.BackupConfig("D:\\Backups"), dest);
    EXPECT_EQ(File(dest + "\\Tool\\settings.ini"), "theme=light");
    const std::string once =
        "backup skipped up: \"..\" is not a plain folder name\nbackup skipped root: \"\" is not a "
        "plain folder name\nbackup wrote 3 file(s) to " +
        dest + "\n";
    EXPECT_EQ(LogText(), once + once);

    // Nothing to copy: no backup to show, but its folder is made.
    app.catalog.Apps.resize(3);
    app.catalog.AppCount = 3;
    app.catalog.Apps[0].exe = app.catalog.Apps[1].exe = "Gone\\x.exe";
    EXPECT_EQ(app.apps.BackupConfig("D:\\Other"), "");
    EXPECT_TRUE(fake.fs.folders.count("D:\\Other\\Pankor-backup-2031-05-06-1403"));
}

TEST_F(AppsTest, ABackupPickedInsideAnAppsFolderIsNotCopiedIntoItself) {
    AddApp("tool", "Tool", "Tool\\Tool.exe");
    Put(Settings("Tool\\settings.ini"), "theme=dark");
    const std::string root = Settings("Tool\\Backups");
    fake.fs.folders.insert(root);
    const std::string dest = root + "\\Pankor-backup-2031-05-06-1403";
    EXPECT_EQ(app.apps.BackupConfig(root), dest);
    EXPECT_EQ(File(dest + "\\Tool\\settings.ini"), "theme=dark");
    EXPECT_TRUE(fake.fs.folders.count(dest + "\\Tool"));
    EXPECT_FALSE(fake.fs.folders.count(dest + "\\Tool\\Backups"));
}

TEST_F(AppsTest, ARestoreCopiesEverySubFolderBackStrayOnesToo) {
    const std::string backup = "D:\\Pankor-backup-2031-05-06-1403";
    fake.fs.folders.insert({"D:", backup});
    Put(backup + "\\Tool\\settings.ini", "theme=dark");
    Put(backup + "\\Tool\\Tool.exe", "MZ planted");
    Put(backup + "\\Stray\\x.ini", "x=1");
    Put(backup + "\\loose.ini", "not in an app folder");
    Put(Settings("Tool\\settings.ini"), "theme=light");
    Put(Settings("Tool\\only-here.ini"), "kept");
    EXPECT_EQ(app.apps.RestoreConfig(backup), 2);
    // Programs and files outside an app folder are not restored; files only here are kept.
    for (const auto& [file, text] : {std::pair{"Tool\\settings.ini", "theme=dark"},
                                     {"Tool\\only-here.ini", "kept"},
                                     {"Stray\\x.ini", "x=1"},
                                     {"Tool\\Tool.exe", "<missing>"},
                                     {"loose.ini", "<missing>"}})
        EXPECT_EQ(File(Settings(file)), text) << file;
    EXPECT_EQ(app.apps.RestoreConfig("D:\\gone"), 0);
    EXPECT_EQ(LogLines(), Lines{"restore copied 2 file(s) from " + backup});
}

// Backup, restore and uninstall on real folders and the Linux registry store.
#include "Integration.h"

using namespace pankor;
using pankor::testing::Integration;
using pankor::testing::Lines;
using pankor::testing::ReadAll;
using pankor::testing::WaitUntil;
using pankor::testing::WriteAll;

namespace {

TEST_F(Integration, BackupAndRestoreCopyRealFoldersWithoutProgramsOrLogs) {
    AddApp("tool", "Tool", "Tool\\Tool.exe");
    AddApp("jot", "Jotter", "Jotter.exe");
    const std::string appData = root / "appdata";
    WriteAll(appData + "/Tool/settings.ini", "theme=dark");
    WriteAll(appData + "/Tool/app.log", "log");
    WriteAll(appData + "/Tool/Tool.exe", "MZ");
    WriteAll(appData + "/Tool/skins/dark/skin.ini", "colour=black");
    WriteAll(appData + "/Jotter/notes.ini", "n=1");
    std::filesystem::create_directories(root / "backups");

    const std::string dest = app.apps.BackupConfig(root / "backups");
    ASSERT_EQ(dest.rfind(root / "backups/Pankor-backup-", 0), 0u) << dest;
    EXPECT_EQ(ReadAll(dest + "/Tool/settings.ini"), "theme=dark");
    EXPECT_EQ(ReadAll(dest + "/Tool/skins/dark/skin.ini"), "colour=black");
    EXPECT_EQ(ReadAll(dest + "/Jotter/notes.ini"), "n=1");
    EXPECT_FALSE(std::filesystem::exists(dest + "/Tool/app.log"));
    EXPECT_FALSE(std::filesystem::exists(dest + "/Tool/Tool.exe"));

    WriteAll(appData + "/Tool/settings.ini", "theme=light");
    WriteAll(dest + "/Stray/x.ini", "x=1");
    EXPECT_EQ(app.apps.RestoreConfig(dest), 4);
    EXPECT_EQ(ReadAll(appData + "/Tool/settings.ini"), "theme=dark");
    EXPECT_EQ(ReadAll(appData + "/Stray/x.ini"), "x=1");
    EXPECT_EQ(LogLines(), (Lines{"backup wrote 3 file(s) to " + dest, "restore copied 4 file(s) from " + dest}));
}

TEST_F(Integration, UninstallRunsTheCommandRegisteredForTheUser) {
    std::filesystem::create_directories(root / "temp/Tool");
    const std::string program = root / "temp/Tool/unins000";
    std::filesystem::copy_file(ARGS_PROGRAM, program);
    IRegistry& registry = native.Get().registry;
    const std::string entry = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickTool_is1\\";
    ASSERT_TRUE(registry.WriteString(entry + "DisplayName", "Tool 3.2 (per-user)").ok());
    ASSERT_TRUE(registry.WriteString(entry + "UninstallString", "\"" + program + "\" /SILENT").ok());

    EXPECT_TRUE(app.apps.UninstallApp("tool"));
    EXPECT_TRUE(WaitUntil([&] { return ReadAll(root / "temp/Tool/args.txt") == "/SILENT\n"; }));
    EXPECT_FALSE(app.apps.UninstallApp("Clock"));
    EXPECT_EQ(LogLines(), (Lines{"uninstall tool -> \"" + program + "\" /SILENT", "no uninstaller found for Clock"}));
}

}  // namespace

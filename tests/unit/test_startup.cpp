// The process start, one copy per session, the handoff, and the small modules: log, files, versions, probes, icons.
#include "Fixture.h"
#include "trust/TrustKeys.h"

namespace {

constexpr const char* kFeatures = "HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";

std::string InData(const std::string& name) { return std::string(kDataDir) + "\\" + name; }
const std::string kHandoff = InData("handoff.txt");

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
    // The process values and the browser features written, in one line.
    std::string Process() {
        const auto feature = [&](const std::string& name) {
            return fake.registry.values[LowerAscii(kFeatures + name + "\\Pankor.exe")];
        };
        return std::to_string(app.process.DebugMode) + " " + app.process.RunDir + " " + app.process.DataDir + " [" +
               app.process.PendingCommand + "] " + app.catalog.PublisherBase() + " " +
               feature("FEATURE_BROWSER_EMULATION") + " " + feature("FEATURE_BLOCK_LMZ_SCRIPT");
    }
    static std::string StartLines() {
        return std::string("--- Pankor start, runDir=C:\\Apps\\Pankor\n") +
               (kTrustsDevelopmentKeys ? "TRUST: this build trusts the DEVELOPMENT keys - not for release\n" : "");
    }
};

}  // namespace

TEST_F(MainTest, TheFirstCopySetsTheProcessUpAndKeepsItsRequest) {
    fake.registry.values[LowerAscii(kFeatures + std::string("FEATURE_BROWSER_EMULATION\\Pankor.exe"))] = "1";
    fake.fs.folders.erase(kDataDir);
    EXPECT_TRUE(Start("/Debug /installed=Clock-Pro"));  // no /publisher=: the default
    EXPECT_EQ(Process(),
              "1 C:\\Apps\\Pankor " + std::string(kDataDir) + " [installed=clock-pro] https://tarnwick.com 11001 0");
    EXPECT_TRUE(fake.system.dpiAwareCalled);
    EXPECT_EQ(fake.instanceLock.askedFor, "Local\\Pankor.SingleInstance.v1");
    EXPECT_EQ(LogText(), StartLines());
    EXPECT_EQ(File(kHandoff), "<missing>");

    // Failed feature writes come before the start line, a refused request after it.
    ClearLog();
    fake.registry.failWrites = true;
    EXPECT_TRUE(Start("/debug /installed=my_app /publisher=http://evil.test/"));
    EXPECT_EQ(LogText(), "RegSetDword failed " + std::string(kFeatures) +
                             "FEATURE_BROWSER_EMULATION\\Pankor.exe: Access is denied.\nRegSetDword failed " +
                             kFeatures + "FEATURE_BLOCK_LMZ_SCRIPT\\Pankor.exe: Access is denied.\n" + StartLines() +
                             "REFUSED /installed= : not a plain slug\nREFUSED /publisher= http://evil.test/ : plain "
                             "http:// is only for loopback hosts; keeping https://tarnwick.com\n");
    EXPECT_EQ(app.process.PendingCommand, "");
}

TEST_F(MainTest, ALaterCopyHandsItsRequestOverAndEnds) {
    const std::tuple<const char*, const char*, std::string> cases[] = {
        // the command line, the command handed over ("" for none), the log after the mutex line
        {"/debug", "show", "handoff posted: show\n"},
        {"/tray /debug", "", "second copy with /tray - exiting quietly\n"},
        {"/tray /installed=Foo /debug", "installed=foo", "handoff posted: installed=foo\n"},
        {"/debug /installed=my_app", "show", "REFUSED /installed= : not a plain slug\nhandoff posted: show\n"}};
    fake.instanceLock.next = Result<bool>::Of(false);
    for (const auto& [line, handoff, log] : cases) {
        fake.fs.files.clear();
        EXPECT_FALSE(Start(line)) << line;
        EXPECT_EQ(File(kHandoff), *handoff ? "2031-05-06 14:03:27|" + std::string(handoff) + "\r\n" : "<missing>");
        EXPECT_EQ(LogText(), "another Pankor already has the mutex\n" + log) << line;
    }
    EXPECT_EQ(fake.system.allowForegroundCalls, 3);
    EXPECT_TRUE(fake.registry.values.empty());  // only the first copy writes them

    fake.instanceLock.next = Result<bool>::Fail("Access is denied.", 5);
    fake.fs.files.clear();
    EXPECT_TRUE(Start("/debug"));
    EXPECT_EQ(LogLines().front(), "CreateMutex failed, err=5 - running anyway");
}

TEST_F(MainTest, SwitchesDataFolderAndScale) {
    const std::pair<const char*, bool> debug[] = {{"x /DEBUGger y", true}, {"/deb ug", false}, {"debug", false}};
    for (const auto& [line, on] : debug) {
        Start(line);
        EXPECT_EQ(app.process.DebugMode, on) << line;
    }
    fake.environment.vars.clear();
    fake.system.executablePath = "Pankor.exe";
    Start("");
    EXPECT_EQ(app.process.DataDir + " " + app.process.RunDir, "\\Pankor Pankor.exe");
    // 150 % is the host scenarios'; 112.5 % rounds to even.
    const std::pair<int, int> dpis[] = {{120, 125}, {72, 100}, {108, 112}, {0, 100}, {100, 104}, {288, 300}};
    for (auto [dpi, percent] : dpis) {
        fake.system.dpi = dpi;
        EXPECT_EQ(app.main.DpiPercent(), percent) << dpi;
    }
}

TEST_F(AppTest, DebugLogLineLayoutAndGate) {
    fake.system.now = {2031, 1, 2, 21, 5, 3};
    app.log.DebugLog("hello");
    app.process.DebugMode = false;
    app.log.DebugLog("hidden");
    app.process.DebugMode = true;
    app.process.DataDir = "C:\\nowhere";  // a folder that does not exist: the line is lost quietly
    app.log.DebugLog("lost");
    EXPECT_EQ(File(InData("debug.log")), "21:05:03 hello\r\n");
}

using InstanceTest = AppTest;

TEST_F(InstanceTest, TheInstalledArgumentIsCutQuotedLowerCasedOrRefused) {
    // A plain slug, a bad one and none at all are the first and later copies' (MainTest).
    const std::pair<std::string, std::string> cases[] = {{"/tray /INSTALLED=abc /debug", "installed=abc"},
                                                         {"/installed=\"clock pro\"", "installed=clock"},
                                                         {"/installed= clock", "!"}};  // "!": refused, and logged
    for (const auto& [line, arg] : cases) {
        ClearLog();
        fake.system.commandLine = line;
        EXPECT_EQ(app.instance.ParseInstalledArg(), arg == "!" ? "" : arg) << line;
        EXPECT_EQ(LogText(), arg == "!" ? "REFUSED /installed= : not a plain slug\n" : "") << line;
    }
}

TEST_F(InstanceTest, PostHandoffReplacesTheFileAndCarriesOnAfterAFailure) {
    fake.fs.folders.erase(kDataDir);  // made on the way
    app.instance.PostHandoff("installed=clock-pro");
    fake.system.now.second = 28;
    app.instance.PostHandoff("show");
    EXPECT_EQ(File(kHandoff), "2031-05-06 14:03:28|show\r\n");
    fake.fs.lockedFiles.insert(kHandoff);
    app.instance.PostHandoff("show");
    EXPECT_EQ(LogText(), "handoff posted: installed=clock-pro\nhandoff posted: show\nPostHandoff failed " + kHandoff +
                             ": Permission denied\nhandoff posted: show\n");
    app.process.DataDir = "C:\\missing\\Pankor";
    app.instance.PostHandoff("show");  // nothing can be written; the later steps still run
    EXPECT_EQ(fake.system.allowForegroundCalls, 4);
}

TEST_F(InstanceTest, TakeHandoffTakesAFreshFirstLineOnceAndDeletesTheFile) {
    // The stamp's boundaries are the Handoff table's; here what each kind of line does to the file and the log.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"2031-05-06 14:02:57| show \r\n", "show", "handoff taken: show\n"},
        {"2031-05-06 14:03:58| show \r\n", "", "handoff DISCARDED, 31s old:  show \n"},
        {"2031-05-06 14:03:20|installed=a\r\n2031-05-06 14:03:27|installed=b\r\n", "installed=a",
         "handoff taken: installed=a\n"},
        {"|show\r\n", "", ""},
        {"", "", ""}};
    for (const auto& [text, command, log] : cases) {
        fake.fs.files.clear();
        fake.fs.files[kHandoff] = text;
        EXPECT_EQ(app.instance.TakeHandoff(), command) << text;
        EXPECT_EQ(File(kHandoff), "<missing>") << text;
        EXPECT_EQ(LogText(), log) << text;
    }
}

TEST_F(InstanceTest, AHandoffThatCannotBeReadOrDeletedIsTakenOnce) {
    fake.fs.files[kHandoff] = "2031-05-06 14:03:20|show\r\n";
    fake.fs.lockedFiles.insert(kHandoff);
    EXPECT_EQ(app.instance.TakeHandoff(), "");  // collided with a writer: the next tick tries again
    fake.fs.lockedFiles.clear();
    fake.fs.undeletable.insert(kHandoff);
    EXPECT_EQ(app.instance.TakeHandoff(), "show");
    EXPECT_EQ(app.instance.TakeHandoff(), "");                            // the same request, still there: not again
    fake.fs.files[kHandoff] = "2031-05-06 14:03:25|installed=clock\r\n";  // a new one is news
    EXPECT_EQ(app.instance.TakeHandoff(), "installed=clock");
    const std::string undeleted = "TakeHandoff could not delete " + kHandoff + ": Access is denied.\n";
    EXPECT_EQ(LogText(), undeleted + "handoff taken: show\n" + undeleted + "handoff taken: installed=clock\n");
}

TEST_F(AppTest, FilesFoldersAndKeyFiles) {
    const std::string ini = InData("state.ini");
    fake.fs.files[ini] = "";
    EXPECT_TRUE(app.file.FileExists(ini) && app.file.DirExists(kDataDir));
    EXPECT_FALSE(app.file.FileExists(kDataDir) || app.file.DirExists(ini) || app.file.FileExists(ini + "x"));

    app.file.IniWrite(ini, "catalogserial", "40");
    app.file.IniWrite(ini, "Consent", "yes");
    EXPECT_EQ(File(ini), "catalogserial=40\r\nConsent=yes\r\n");
    // A missing key, a missing file and a folder all read as the default.
    EXPECT_EQ(app.file.IniRead(ini, "consent", "d") + app.file.IniRead(ini, "none", "d") +
                  app.file.IniRead(ini + "x", "consent", "d") + app.file.IniRead(kDataDir, "consent", "d"),
              "yesddd");
    app.file.IniWrite(InData("sub\\options.ini"), "Skin", "Dark");  // the folder is made
    EXPECT_EQ(File(InData("sub\\options.ini")), "Skin=Dark\r\n");

    fake.fs.lockedFiles.insert(ini);
    app.file.IniWrite(ini, "catalogserial", "41");  // rewriting what it cannot read would lose "Consent"
    app.file.WriteTextFile(ini, "new");
    fake.fs.lockedFiles.clear();
    EXPECT_EQ(File(ini), "catalogserial=40\r\nConsent=yes\r\n");
    EXPECT_EQ(LogText(), "IniWrite refused " + ini + ": cannot read it (File not found)\nWriteTextFile failed " + ini +
                             ": Permission denied\n");
}

TEST_F(AppTest, LeftoversOfKilledWritersAreSweptOnceTheyAreAMinuteOld) {
    const std::pair<const char*, int> files[] = {
        {"state.ini.tmp-Ab12Cd", 61}, {"telemetry.ini.tmp-Zz99", 60}, {"state.ini", 3600}, {"notes.tmp-", 3600}};
    for (const auto& [name, age] : files) {
        fake.fs.files[InData(name)] = "x";
        fake.fs.modified[InData(name)] = fake.system.now.SerialSeconds() - age;
    }
    fake.fs.folders.insert(InData("icons.tmp-1"));
    app.file.RemoveLeftoverTempFiles(kDataDir);
    // Only the first goes: the second may still be being written, the last has no unique part.
    for (const auto& [name, age] : files) EXPECT_EQ(File(InData(name)), age == 61 ? "<missing>" : "x") << name;
    EXPECT_TRUE(fake.fs.folders.count(InData("icons.tmp-1")));
}

// Versions read into the catalog are the catalog tests'; the compiled one the host scenarios'.
TEST_F(AppTest, VersionsComeFromTheVersionResource) {
    fake.fs.files["C:\\plain.txt"] = "text";
    fake.versions.versions["C:\\ghost.exe"] = {1, 1};  // a file that is not there has no version
    for (const char* none : {"C:\\plain.txt", "C:\\missing.exe", "", "C:\\ghost.exe"})
        EXPECT_EQ(app.version.FileVersion(none), "") << none;
    app.process.RunDir = "C:\\Apps\\Pankor";
    fake.fs.files["C:\\Apps\\Pankor\\Pankor.exe"] = "MZ";
    fake.versions.versions["C:\\Apps\\Pankor\\Pankor.exe"] = {0x00020003u, 0x0004FFFFu};
    EXPECT_EQ(app.version.OwnVersion(), "2.3.4.65535");
}

// Skins, the install source, run entries, Wine and undated folders: the usage report's document test.
TEST_F(AppTest, ProbesOfProcessesAutostartAndFolderAges) {
    EXPECT_FALSE(app.probe.IsRunning("tool.exe"));  // no snapshot yet
    fake.processes.names = {"tool.exe", "MyApp.exe"};
    app.probe.SnapshotProcesses();
    EXPECT_TRUE(app.probe.IsRunning("Tool.EXE") && app.probe.IsRunning("myapp.exe"));
    for (const char* no : {"app.exe", "", "tool.exe|myapp.exe", "tool"}) EXPECT_FALSE(app.probe.IsRunning(no)) << no;
    fake.processes.fail = true;
    app.probe.SnapshotProcesses();
    EXPECT_FALSE(app.probe.IsRunning("tool.exe"));

    app.process.RunDir = "C:\\Apps\\Pankor";
    app.probe.SetAutostart(true);
    const std::string command = "\"C:\\Apps\\Pankor\\Pankor.exe\" /tray";
    EXPECT_EQ(app.reg.RegGet(kAutostartValue, ""), command);
    app.probe.SetAutostart(false);
    EXPECT_FALSE(app.probe.AutostartEnabled());
    fake.registry.failWrites = true;  // a failed dword write is the first copy's (MainTest)
    app.probe.SetAutostart(true);
    EXPECT_EQ(LogText(), "autostart on -> " + command + "\nautostart off\nRegSet failed " + kAutostartValue +
                             ": Access is denied.\nautostart on -> " + command + "\n");

    const std::string folder = std::string(kAppData) + "\\Clock";
    fake.fs.folders.insert(folder);
    const std::pair<DateTime, int> ages[] = {
        {{2031, 5, 5, 23, 59, 0}, 1}, {{2031, 5, 6, 0, 0, 1}, 0}, {{2032, 1, 1, 0, 0, 0}, 0}};  // in the future
    for (const auto& [created, days] : ages) {
        fake.fs.created[folder] = created;
        EXPECT_EQ(app.probe.DaysSinceCreated(folder), days) << days;
    }
}

// A rendered icon's way into the catalog's rows is the catalog tests', no own icon file the host scenarios'.
TEST_F(AppTest, IconsOfAppsAreBitmapsInTheDataFolderAndOwnIconsFallBack) {
    const std::string exe = "C:\\Apps\\Tool\\tool.exe";
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");  // missing file
    fake.fs.files[exe] = "MZ";
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");  // no icon in it
    fake.icons.rendered.insert_or_assign(exe, Result<std::optional<Bytes>>::Fail("DrawIconEx failed"));
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "..\\..\\evil"), "");
    fake.icons.rendered.insert_or_assign(exe, Result<std::optional<Bytes>>::Of(Bytes{'B', 'M'}));
    fake.fs.lockedFiles.insert(InData("icons\\tool.bmp"));
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");
    EXPECT_EQ(LogText(),
              "ExtractAppIcon(tool) failed: DrawIconEx failed\nExtractAppIcon(..\\..\\evil) failed: not a "
              "plain slug\nExtractAppIcon(tool) failed: Permission denied\n");

    app.process.RunDir = "C:\\Apps\\Pankor";
    const std::string own = "C:\\Apps\\Pankor\\Pankor.exe";
    fake.fs.files[own] = "MZ";
    fake.icons.sized[own] = 77;
    EXPECT_EQ(app.icons.OwnSmallIcon(), 77u);
    fake.icons.largeIcon = 48;
    EXPECT_EQ(app.icons.OwnLargeIcon(), 77u);
    EXPECT_EQ(fake.icons.sizesAsked, (std::vector<std::pair<int, int>>{{16, 17}, {48, 48}}));
    fake.icons.sized[own] = 1;  // no icon of that size: the default one
    fake.icons.byDefault[own] = 88;
    EXPECT_EQ(app.icons.OwnIcon(20, 20), 88u);
    fake.icons.byDefault[own] = 1;
    EXPECT_EQ(app.icons.OwnIcon(20, 20), 0u);
    IconHandle none = 1, h = 99;  // 1 is no icon of ours
    app.icons.ReleaseIcon(none);
    app.icons.ReleaseIcon(h);
    EXPECT_EQ(none + h, 0u);
    EXPECT_EQ(fake.icons.destroyed, std::vector<IconHandle>{99});
}

#include "CatalogFixture.h"

using namespace pankor;
using pankor::testing::AppTest;
using pankor::testing::CatalogTest;

TEST_F(AppTest, EmptyModelGivesEmptyArrays) {
    EXPECT_EQ(app.catalog.AppsJson(), "[]");
    EXPECT_EQ(app.catalog.SkinsJson(), "[]");
}

TEST_F(AppTest, RowsAreByteExactWithEscapes) {
    CatalogApp a;
    a.slug = "clock";
    a.name = "Say \"hi\"\\ now\r\nnext\rCR\nLF\tTab";
    a.desc = "caf\xC3\xA9 </script>";
    a.installed = "2.0.0.1";
    a.latest = "2.1";
    a.exe = "Tarnwick\\Clock\\Clock.exe";
    a.icon = "file:///C:/x/icons/clock.bmp";
    CatalogApp g;
    g.slug = "marbles";
    g.kind = "game";
    g.shot = "s";
    g.requirements = "r";
    g.exe = "m.exe";  // running but not installed
    app.catalog.Apps = {a, g};
    app.catalog.AppCount = 2;
    fake.processes.names = {"explorer.exe", "CLOCK.EXE", "m.exe"};
    EXPECT_EQ(app.catalog.AppsJson(),
              "[{\"slug\":\"clock\",\"name\":\"Say \\\"hi\\\"\\\\ now\\nnext\\nCR\\nLF\\tTab\",\"desc\":\"caf\xC3\xA9 "
              "</script>\",\"installed\":\"2.0.0.1\",\"latest\":\"2.1\",\"headline\":\"\",\"running\":true,\"icon\":"
              "\"file:///C:/x/icons/clock.bmp\",\"kind\":\"\",\"shot\":\"\",\"requires\":\"\"},"
              "{\"slug\":\"marbles\",\"name\":\"\",\"desc\":\"\",\"installed\":\"\",\"latest\":\"\",\"headline\":\"\","
              "\"running\":false,\"icon\":\"\",\"kind\":\"game\",\"shot\":\"s\",\"requires\":\"r\"}]");
    EXPECT_EQ(app.catalog.AppsJson(), app.catalog.AppsJson());  // nothing changed: the same text

    app.catalog.Skins = {{"Mid\"night", "clock", "T", "s.png", "https://x/?a=1&b=2"}};
    app.catalog.SkinCount = 1;
    EXPECT_EQ(app.catalog.SkinsJson(),
              "[{\"name\":\"Mid\\\"night\",\"forApp\":\"clock\",\"author\":\"T\",\"shot\":\"s.png\",\"url\":"
              "\"https://x/?a=1&b=2\"}]");
}

TEST(FileNameOf, TakesThePartAfterTheLastSeparator) {
    EXPECT_EQ(FileNameOf("Tarnwick\\Clock\\clock.exe"), "clock.exe");
    EXPECT_EQ(FileNameOf("clock.exe"), "clock.exe");
    EXPECT_EQ(FileNameOf("a\\"), "");
}

TEST_F(AppTest, ProcessesMatchWholeFileNamesIgnoringCase) {
    EXPECT_FALSE(app.probe.IsRunning("tool.exe"));  // no snapshot yet
    fake.processes.names = {"tool.exe", "MyApp.exe"};
    app.probe.SnapshotProcesses();
    EXPECT_TRUE(app.probe.IsRunning("Tool.EXE"));
    EXPECT_TRUE(app.probe.IsRunning("myapp.exe"));
    EXPECT_FALSE(app.probe.IsRunning("app.exe"));
    EXPECT_FALSE(app.probe.IsRunning(""));
    EXPECT_FALSE(app.probe.IsRunning("tool.exe|myapp.exe"));
    fake.processes.fail = true;
    app.probe.SnapshotProcesses();
    EXPECT_FALSE(app.probe.IsRunning("tool.exe"));
}

TEST_F(AppTest, AutostartWritesTheQuotedRunningExecutableWithTray) {
    app.process.RunDir = "C:\\Apps\\Pankor";
    EXPECT_FALSE(app.probe.AutostartEnabled());
    app.probe.SetAutostart(true);
    EXPECT_TRUE(app.probe.AutostartEnabled());
    const std::string first = app.reg.RegGet(kAutostartValue, "");
    EXPECT_EQ(first, "\"C:\\Apps\\Pankor\\Pankor.exe\" /tray");
    app.probe.SetAutostart(false);
    EXPECT_FALSE(app.probe.AutostartEnabled());
    app.probe.SetAutostart(true);
    EXPECT_EQ(app.reg.RegGet(kAutostartValue, ""), first);
    EXPECT_EQ(Log(), "14:03:27 autostart on -> " + first + "\r\n14:03:27 autostart off\r\n14:03:27 autostart on -> " +
                         first + "\r\n");
    app.reg.RegSet(kAutostartValue, "C:\\Other\\thing.exe");
    EXPECT_TRUE(app.probe.AutostartEnabled());  // any data counts
}

TEST_F(AppTest, SmallProbes) {
    const std::string folder = std::string(kDataDir) + "\\..\\Clock";
    EXPECT_EQ(app.probe.DaysSinceCreated("C:\\missing"), 0);
    fake.fs.folders.insert(folder);
    fake.fs.created[folder] = {2031, 5, 5, 23, 59, 0};  // yesterday evening
    EXPECT_EQ(app.probe.DaysSinceCreated(folder), 1);
    fake.fs.created[folder] = {2031, 5, 6, 0, 0, 1};
    EXPECT_EQ(app.probe.DaysSinceCreated(folder), 0);
    fake.fs.created[folder] = {2032, 1, 1, 0, 0, 0};  // in the future
    EXPECT_EQ(app.probe.DaysSinceCreated(folder), 0);
    fake.fs.created[folder] = {2030, 5, 6, 0, 0, 0};
    EXPECT_EQ(app.probe.DaysSinceCreated(folder), 365);

    EXPECT_EQ(app.probe.SkinOf(folder), "");
    fake.fs.files[folder + "\\options.ini"] = "[ui]\r\nskin = Midnight \r\n";
    EXPECT_EQ(app.probe.SkinOf(folder), "Midnight");

    EXPECT_EQ(app.probe.InstallSource(), "");
    app.reg.RegSet("HKCU\\Software\\Tarnwick\\Pankor\\Source", "magazine-dvd");
    EXPECT_EQ(app.probe.InstallSource(), "magazine-dvd");
    EXPECT_FALSE(app.probe.HasRunEntry("Tarnwick Clock"));
    app.reg.RegSet("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tarnwick Clock", "x");
    EXPECT_TRUE(app.probe.HasRunEntry("Tarnwick Clock"));
    EXPECT_FALSE(app.probe.IsWine());
    fake.processes.wine = true;
    EXPECT_TRUE(app.probe.IsWine());
}

TEST_F(AppTest, AppIconsAreWrittenAsBitmapsWithFileAddresses) {
    const std::string exe = "C:\\Apps\\Tool\\tool.exe";
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");  // missing file
    EXPECT_FALSE(fake.fs.folders.count(std::string(kDataDir) + "\\icons"));

    fake.fs.files[exe] = "MZ";
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");  // no icon in it
    fake.icons.rendered.insert_or_assign(exe, Result<std::optional<Bytes>>::Of(Bytes{'B', 'M', '1'}));
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "file:///C:/Users/ann/AppData/Roaming/Pankor/icons/tool.bmp");
    fake.icons.rendered.insert_or_assign(exe, Result<std::optional<Bytes>>::Of(Bytes{'B', 'M', '2'}));
    app.icons.ExtractAppIcon(exe, "tool");
    EXPECT_EQ(File(std::string(kDataDir) + "\\icons\\tool.bmp"), "BM2");  // rewritten, one file

    fake.icons.rendered.insert_or_assign(exe, Result<std::optional<Bytes>>::Fail("DrawIconEx failed"));
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "tool"), "");
    EXPECT_EQ(app.icons.ExtractAppIcon(exe, "..\\..\\evil"), "");
    EXPECT_EQ(Log(),
              "14:03:27 ExtractAppIcon(tool) failed: DrawIconEx failed\r\n"
              "14:03:27 ExtractAppIcon(..\\..\\evil) failed: not a plain slug\r\n");
}

TEST(FileUrlOf, ForwardSlashesOnlyAndNothingEncoded) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Users\\u\\App Data\\Pankor\\icons\\tool.bmp", "file:///C:/Users/u/App Data/Pankor/icons/tool.bmp"},
        {"/home/u/.config/Pankor/icons/tool.bmp", "file:///home/u/.config/Pankor/icons/tool.bmp"},
        // A redirected APPDATA on a network share keeps both of its slashes.
        {"\\\\srv\\home\\u\\Pankor\\icons\\tool.bmp", "file://///srv/home/u/Pankor/icons/tool.bmp"},
        {"//srv/home/tool.bmp", "file://///srv/home/tool.bmp"},
    };
    for (const auto& [path, url] : cases) EXPECT_EQ(FileUrlOf(path), url) << path;
}

TEST_F(AppTest, OwnIconsAskForTheSystemSizesAndFallBack) {
    app.process.RunDir = "C:\\Apps\\Pankor";
    const std::string exe = "C:\\Apps\\Pankor\\Pankor.exe";
    EXPECT_EQ(app.icons.OwnSmallIcon(), 0u);  // no file
    fake.fs.files[exe] = "MZ";
    fake.icons.sized[exe] = 77;
    EXPECT_EQ(app.icons.OwnSmallIcon(), 77u);
    fake.icons.largeIcon = 48;
    EXPECT_EQ(app.icons.OwnLargeIcon(), 77u);
    EXPECT_EQ(fake.icons.sizesAsked, (std::vector<std::pair<int, int>>{{16, 17}, {48, 48}}));
    fake.icons.sized.clear();
    fake.icons.byDefault[exe] = 88;
    EXPECT_EQ(app.icons.OwnIcon(20, 20), 88u);  // falls back to the default size
    fake.icons.byDefault[exe] = 1;
    EXPECT_EQ(app.icons.OwnIcon(20, 20), 0u);

    IconHandle h = 1;
    app.icons.ReleaseIcon(h);
    EXPECT_EQ(h, 0u);
    EXPECT_TRUE(fake.icons.destroyed.empty());
    h = 99;
    app.icons.ReleaseIcon(h);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(fake.icons.destroyed, std::vector<IconHandle>{99});
}

// The signed catalog: fetched, refused for every fault, read into the model, and the rows the page shows.
#include <functional>

#include "Fixture.h"

namespace {

const std::string kCatalog = R"({
  "serial": 42,
  "apps": [
    {"slug": "clock", "name": "Tarnwick Clock", "desc": "A desk clock", "exe": "Tarnwick\\Clock\\clock.exe",
     "latest": "2.1.0.0", "page": "https://tarnwick.test/clock/", "url": "https://dl.tarnwick.test/clock.exe",
     "headline": "Alarms", "notes": "https://tarnwick.test/clock/notes", "sha": "ab12",
     "kind": "game", "shot": "s.png", "requires": "nothing"},
    {"name": "no slug, dropped"},
    7,
    {"slug": "jotter", "name": "Jotter", "latest": 3, "exe": "Tarnwick\\Jotter\\jotter.exe"}
  ],
  "games": [{"slug": "marbles", "name": "Marbles", "exe": "Marbles\\marbles.exe", "shot": "https://img/m.png",
             "requires": "DirectX 9", "latest": "1.0"}],
  "skins": [{"name": "Midnight", "forApp": "clock", "author": "Tarnwick", "shot": "x", "url": "u"}, {"author": "nameless"}],
  "pankor": {"version": "1.1.0.0", "url": "https://dl.tarnwick.test/pankor.exe", "sha": "ff"}
})";

class CatalogTest : public AppTest {
protected:
    // The log without the signature check's own lines.
    std::string Lines() const {
        std::string out;
        for (const std::string& line : LogLines())
            if (line.rfind("SIG: ", 0) != 0) out += line + "\n";
        return out;
    }
    // Every member of an app, in declaration order.
    static std::string Row(const CatalogApp& a) {
        std::string out;
        for (const std::string* m : {&a.slug, &a.name, &a.desc, &a.exe, &a.latest, &a.page, &a.url, &a.headline,
                                     &a.notes, &a.installed, &a.icon, &a.kind, &a.shot, &a.requirements, &a.sha})
            out += *m + "|";
        return out;
    }
};

}  // namespace

TEST_F(CatalogTest, ASignedCatalogFillsTheModelAndInstalledAppsGetTheirIcons) {
    Install("Tarnwick\\Clock\\clock.exe", 0x00020000, 0x00000001);
    Install("Marbles\\marbles.exe", 0x00010000);
    for (const char* exe : {"Tarnwick\\Clock\\clock.exe", "Marbles\\marbles.exe", "Tarnwick\\Jotter\\jotter.exe"})
        fake.icons.rendered.insert_or_assign(std::string(kAppData) + "\\" + exe,
                                             Result<std::optional<Bytes>>::Of(Bytes{'B', 'M'}));
    Publish(kCatalog);
    ASSERT_TRUE(app.catalog.LoadCatalog());
    ASSERT_EQ(app.catalog.AppCount, 3);
    const std::string icons = "file:///C:/Users/ann/AppData/Roaming/Pankor/icons/";
    // Only games have a kind, a shot and requirements; a game's icon comes with the next refresh.
    EXPECT_EQ(Row(app.catalog.Apps[0]),
              "clock|Tarnwick Clock|A desk clock|Tarnwick\\Clock\\clock.exe|2.1.0.0|https://tarnwick.test/clock/|"
              "https://dl.tarnwick.test/clock.exe|Alarms|https://tarnwick.test/clock/notes|2.0.0.1|" +
                  icons + "clock.bmp||||ab12|");
    EXPECT_EQ(Row(app.catalog.Apps[1]), "jotter|Jotter||Tarnwick\\Jotter\\jotter.exe|3|||||||||||");
    EXPECT_EQ(Row(app.catalog.Apps[2]),
              "marbles|Marbles||Marbles\\marbles.exe|1.0|||||1.0.0.0||game|https://img/m.png|DirectX 9||");
    const CatalogSkin& skin = app.catalog.Skins.at(0);
    EXPECT_EQ(std::to_string(app.catalog.SkinCount) + skin.name + skin.forApp + skin.author + skin.shot + skin.url,
              "1MidnightclockTarnwickxu");
    EXPECT_EQ(app.catalog.SelfVersion + " " + app.catalog.SelfUrl + " " + app.catalog.SelfSha,
              "1.1.0.0 https://dl.tarnwick.test/pankor.exe ff");
    EXPECT_EQ(Lines(), "catalog loaded apps=3 skins=1\n");
    EXPECT_EQ(State(), "catalogserial=42\r\n");
    for (const auto& [slug, index] : {std::pair{"JOTTER", 1}, {"marbles", 2}, {"", -1}, {"clock2", -1}})
        EXPECT_EQ(app.catalog.FindApp(slug), index) << slug;
    ASSERT_EQ(fake.http.requests.size(), 2u);
    const std::string asked = " User-Agent=Pankor/1.0 Cache-Control=no-cache Pragma=no-cache 8000 8000 8000 15000 max=";
    EXPECT_EQ(Asked(fake.http.requests[0]) + "\n" + Asked(fake.http.requests[1]),
              "GET https://tarnwick.test/pankor/catalog.json" + asked + std::to_string(kMaxCatalogBytes) +
                  "\nGET https://tarnwick.test/pankor/catalog.json.sig" + asked + std::to_string(kMaxSignatureBytes));

    // A refresh sees an install, and gives the game its icon.
    Install("Tarnwick\\Jotter\\jotter.exe", 0x00030004, 0x0000000C);
    EXPECT_TRUE(app.catalog.RefreshInstalled());
    EXPECT_EQ(app.catalog.Apps[1].installed + " " + app.catalog.Apps[1].icon + " " + app.catalog.Apps[2].icon,
              "3.4.0.12 " + icons + "jotter.bmp " + icons + "marbles.bmp");
    EXPECT_FALSE(app.catalog.RefreshInstalled());
}

TEST_F(CatalogTest, TheSerialOnlyGrowsAndAByteOrderMarkAndBadUtf8AreDecodedSafely) {
    Publish(kCatalog);
    fake.fs.files[std::string(kDataDir) + "\\state.ini"] = "CatalogSerial=42\r\nnotify=1\r\n";
    EXPECT_TRUE(app.catalog.LoadCatalog());                  // the same serial again
    EXPECT_EQ(State(), "CatalogSerial=42\r\nnotify=1\r\n");  // not rewritten

    std::string older = kCatalog;
    older.replace(older.find("42"), 2, "41");
    Publish(older);
    EXPECT_FALSE(app.catalog.LoadCatalog());
    EXPECT_EQ(app.catalog.AppCount + app.catalog.SkinCount, 0);
    EXPECT_NE(Lines().find("catalog REFUSED: serial 41 is older than the 42 already seen\n"), std::string::npos);
    EXPECT_EQ(app.catalog.SelfVersion, "1.1.0.0");  // kept from the last catalog that had it

    // No apps: stored, but false.
    Publish("\xEF\xBB\xBF{\"serial\": 50.6, \"skins\": [{\"name\": \"caf\xE9 \xC2\xA0\xC1\xBF\"}]}");
    EXPECT_FALSE(app.catalog.LoadCatalog());
    EXPECT_EQ(State(), "catalogserial=51\r\nnotify=1\r\n");
    EXPECT_EQ(std::to_string(app.catalog.SkinCount) + app.catalog.Skins.at(0).name,
              "1caf\xEF\xBF\xBD \xC2\xA0\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(CatalogTest, RefusalsLeaveAnEmptyModelAndOneLine) {
    const std::string cat = std::string(kBase) + "/pankor/catalog.json";
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { fake.http.answers.clear(); },
         "HttpGetBytes failed " + cat + " : The server name or address could not be resolved\n"},
        {[&] { fake.http.Serve(cat, "gone", 404); }, "HttpGetBytes " + cat + " status 404\n"},
        {[&] { fake.http.Serve(cat, "", 200); }, ""},
        {[&] { fake.http.Serve(cat, std::string(kMaxCatalogBytes + 1, ' ')); },
         "HttpGetBytes " + cat + " too large: more than 8388608 bytes\n"},
        {[&] { fake.http.Serve(cat + ".sig", "", 404); }, "catalog REFUSED: signature did not verify\n"},
        {[&] { fake.http.failures[cat + ".sig"] = "The connection was reset"; },
         "HttpGet failed " + cat + ".sig : The connection was reset\ncatalog REFUSED: signature did not verify\n"},
        {[&] { fake.http.Serve(cat + ".sig", std::string(kMaxSignatureBytes + 1, 'a')); },
         "HttpGet " + cat + ".sig too large: more than " + std::to_string(kMaxSignatureBytes) +
             " bytes\ncatalog REFUSED: signature did not verify\n"},
        {[&] { Publish("{\"apps\": [}"); }, "catalog did not parse\n"},
        {[&] { Publish("\"text\""); }, "catalog did not parse\n"},
        {[&] { Publish("{\"apps\": [{\"slug\": \"\\u12G4\"}]}"); },
         "LoadCatalog error: invalid \\u escape at offset 22\n"},
    };
    for (const auto& [arrange, line] : cases) {
        Publish(kCatalog);
        app.catalog.LoadCatalog();
        fake.fs.files.clear();
        fake.http.failures.clear();
        arrange();
        EXPECT_FALSE(app.catalog.LoadCatalog()) << line;
        EXPECT_EQ(app.catalog.AppCount, 0) << line;
        EXPECT_EQ(Lines(), line);
    }
}

TEST_F(AppTest, RowsAreByteExactWithEscapes) {
    EXPECT_EQ(app.catalog.SkinsJson(), "[]");  // "[]" for no apps: the balloon test's page sees it
    // Every member is escaped as the escaping's own tests show.
    CatalogApp& a = AddApp("clock", "Say \"hi\"", "Tarnwick\\Clock\\Clock.exe", "2.0.0.1");
    std::tie(a.desc, a.latest, a.icon) = std::tuple("caf\xC3\xA9\tx", "2.1", "file:///C:/x/icons/clock.bmp");
    CatalogApp& g = AddApp("marbles", "", "m.exe", "");  // running but not installed
    std::tie(g.kind, g.shot, g.requirements) = std::tuple("game", "s", "r");
    AddApp("idle", "", "idle.exe", "1.0").headline = "H";  // installed, not running
    fake.processes.names = {"explorer.exe", "CLOCK.EXE", "m.exe"};
    EXPECT_EQ(app.catalog.AppsJson(),
              "[{\"slug\":\"clock\",\"name\":\"Say \\\"hi\\\"\",\"desc\":\"caf\xC3\xA9\\tx\",\"installed\":\"2.0.0.1\","
              "\"latest\":\"2.1\",\"headline\":\"\",\"running\":true,\"icon\":\"file:///C:/x/icons/clock.bmp\","
              "\"kind\":\"\",\"shot\":\"\",\"requires\":\"\"},"
              "{\"slug\":\"marbles\",\"name\":\"\",\"desc\":\"\",\"installed\":\"\",\"latest\":\"\",\"headline\":\"\","
              "\"running\":false,\"icon\":\"\",\"kind\":\"game\",\"shot\":\"s\",\"requires\":\"r\"},"
              "{\"slug\":\"idle\",\"name\":\"\",\"desc\":\"\",\"installed\":\"1.0\",\"latest\":\"\",\"headline\":\"H\","
              "\"running\":false,\"icon\":\"\",\"kind\":\"\",\"shot\":\"\",\"requires\":\"\"}]");
    app.catalog.Skins = {{"Mid\"night", "clock", "T", "s.png", "https://x/?a=1&b=2"}, {"B", "", "", "", ""}};
    app.catalog.SkinCount = 2;
    EXPECT_EQ(app.catalog.SkinsJson(),
              "[{\"name\":\"Mid\\\"night\",\"forApp\":\"clock\",\"author\":\"T\",\"shot\":\"s.png\",\"url\":"
              "\"https://x/?a=1&b=2\"},{\"name\":\"B\",\"forApp\":\"\",\"author\":\"\",\"shot\":\"\",\"url\":\"\"}]");
}

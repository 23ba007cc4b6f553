#include "CatalogFixture.h"

using namespace pankor;
using pankor::testing::CatalogTest;

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
  "games": [{"slug": "marbles", "name": "Marbles", "shot": "https://img/m.png", "requires": "DirectX 9", "latest": "1.0"}],
  "skins": [{"name": "Midnight", "forApp": "clock", "author": "Tarnwick", "shot": "x", "url": "u"}, {"author": "nameless"}],
  "pankor": {"version": "1.1.0.0", "url": "https://dl.tarnwick.test/pankor.exe", "sha": "ff"}
})";

}  // namespace

TEST_F(CatalogTest, ASignedCatalogFillsTheModelInOrder) {
    Install("Tarnwick\\Clock\\clock.exe", 0x00020000, 0x00000001);
    Publish(kCatalog);
    ASSERT_TRUE(app.catalog.LoadCatalog());
    ASSERT_EQ(app.catalog.AppCount, 3);
    const CatalogApp& clock = app.catalog.Apps[0];
    EXPECT_EQ(clock.slug, "clock");
    EXPECT_EQ(clock.installed, "2.0.0.1");
    EXPECT_EQ(clock.sha, "ab12");
    EXPECT_EQ(clock.notes, "https://tarnwick.test/clock/notes");
    EXPECT_EQ(clock.kind + clock.shot + clock.requirements, "");  // only games have these
    EXPECT_EQ(app.catalog.Apps[1].slug, "jotter");
    EXPECT_EQ(app.catalog.Apps[1].latest, "3");
    EXPECT_EQ(app.catalog.Apps[1].installed, "");  // not on this machine
    EXPECT_EQ(app.catalog.Apps[1].icon, "");
    const CatalogApp& marbles = app.catalog.Apps[2];
    EXPECT_EQ(marbles.kind, "game");
    EXPECT_EQ(marbles.shot, "https://img/m.png");
    EXPECT_EQ(marbles.requirements, "DirectX 9");
    ASSERT_EQ(app.catalog.SkinCount, 1);
    EXPECT_EQ(app.catalog.Skins[0].forApp, "clock");
    EXPECT_EQ(app.catalog.SelfVersion, "1.1.0.0");
    EXPECT_EQ(app.catalog.SelfSha, "ff");
    EXPECT_EQ(LogWithoutSig(), "catalog loaded apps=3 skins=1\n");
    EXPECT_EQ(File(app.catalog.StatePath()), "catalogserial=42\r\n");
}

TEST_F(CatalogTest, RequestsCarryTheirHeadersAndGoToThePublisher) {
    Publish(kCatalog);
    app.catalog.LoadCatalog();
    ASSERT_EQ(fake.http.requests.size(), 2u);
    EXPECT_EQ(fake.http.requests[0].url, "https://tarnwick.test/pankor/catalog.json");
    EXPECT_EQ(fake.http.requests[1].url, "https://tarnwick.test/pankor/catalog.json.sig");
    const std::vector<std::pair<std::string, std::string>> headers{
        {"User-Agent", "Pankor/1.0"}, {"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
    EXPECT_EQ(fake.http.requests[0].headers, headers);
    EXPECT_EQ(fake.http.requests[0].receiveTimeoutMs, 15000);
    EXPECT_EQ(fake.http.requests[0].maxBodyBytes, kMaxCatalogBytes);
    EXPECT_EQ(fake.http.requests[1].maxBodyBytes, kMaxSignatureBytes);
}

TEST_F(CatalogTest, TheSerialOnlyGrows) {
    Publish(kCatalog);
    EXPECT_TRUE(app.catalog.LoadCatalog());
    fake.fs.files[app.catalog.StatePath()] = "catalogserial=42\r\nnotify=1\r\n";   // marks the file
    EXPECT_TRUE(app.catalog.LoadCatalog());                                        // the same serial again
    EXPECT_EQ(File(app.catalog.StatePath()), "catalogserial=42\r\nnotify=1\r\n");  // not rewritten

    std::string older = kCatalog;
    older.replace(older.find("42"), 2, "41");
    Publish(older);
    EXPECT_FALSE(app.catalog.LoadCatalog());
    EXPECT_EQ(app.catalog.AppCount, 0);
    EXPECT_EQ(app.catalog.SkinCount, 0);
    EXPECT_NE(LogWithoutSig().find("catalog REFUSED: serial 41 is older than the 42 already seen\n"),
              std::string::npos);
    EXPECT_EQ(app.catalog.SelfVersion, "1.1.0.0");  // kept from the last catalog that had it
}

TEST_F(CatalogTest, ACatalogWithoutAppsStoresItsSerialButAnswersFalse) {
    Publish(R"({"serial": 50, "skins": [{"name": "x"}]})");
    EXPECT_FALSE(app.catalog.LoadCatalog());
    EXPECT_EQ(File(app.catalog.StatePath()), "catalogserial=50\r\n");
    EXPECT_EQ(app.catalog.SkinCount, 1);
    EXPECT_EQ(app.catalog.SelfVersion, "");  // no "pankor" object: nothing changes
}

TEST_F(CatalogTest, RefusalsLeaveAnEmptyModelAndOneLine) {
    struct Case {
        std::function<void()> arrange;
        std::string line;
    };
    const std::string cat = std::string(kBase) + "/pankor/catalog.json";
    const Case cases[] = {
        {[&] { fake.http.answers.clear(); },
         "HttpGetBytes failed " + cat + " : The server name or address could not be resolved\n"},
        {[&] { fake.http.Serve(cat, "gone", 404); }, "HttpGetBytes " + cat + " status 404\n"},
        {[&] { fake.http.Serve(cat, "", 200); }, ""},
        {[&] { fake.http.Serve(cat, std::string(kMaxCatalogBytes + 1, ' ')); },
         "HttpGetBytes " + cat + " too large: more than 8388608 bytes\n"},
        {[&] { fake.http.Serve(cat + ".sig", "", 404); }, "catalog REFUSED: signature did not verify\n"},
        {[&] { Publish("{\"apps\": [}"); }, "catalog did not parse\n"},
        {[&] { Publish("[1, 2]x"); }, "catalog did not parse\n"},
        {[&] { Publish("{\"apps\": [{\"slug\": \"\\u12G4\"}]}"); },
         "LoadCatalog error: invalid \\u escape at offset 22\n"},
        {[&] { Publish("{\"serial\": 1e999}"); }, "LoadCatalog error: number out of range at offset 11\n"},
    };
    for (const Case& c : cases) {
        Publish(kCatalog);
        app.catalog.LoadCatalog();
        fake.fs.files.clear();
        c.arrange();
        EXPECT_FALSE(app.catalog.LoadCatalog()) << c.line;
        EXPECT_EQ(app.catalog.AppCount, 0) << c.line;
        EXPECT_EQ(LogWithoutSig(), c.line);
    }
}

TEST_F(CatalogTest, AByteOrderMarkAndBadUtf8AreDecodedSafely) {
    Publish("\xEF\xBB\xBF{\"serial\":43,\"apps\":[{\"slug\":\"a\",\"name\":\"caf\xE9 \xC2\xA0\xC1\xBF\"}]}");
    ASSERT_TRUE(app.catalog.LoadCatalog());
    // Valid sequences from their first lead byte on stay; an overlong one does not.
    EXPECT_EQ(app.catalog.Apps[0].name, "caf\xEF\xBF\xBD \xC2\xA0\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(CatalogTest, FindAppIgnoresCaseAndAnswersMinusOne) {
    Publish(kCatalog);
    app.catalog.LoadCatalog();
    EXPECT_EQ(app.catalog.FindApp("JOTTER"), 1);
    EXPECT_EQ(app.catalog.FindApp("marbles"), 2);
    EXPECT_EQ(app.catalog.FindApp(""), -1);
    EXPECT_EQ(app.catalog.FindApp("clock2"), -1);
}

TEST_F(CatalogTest, RefreshInstalledSeesInstallsAndGivesGamesTheirIcons) {
    Publish(kCatalog);
    app.catalog.LoadCatalog();
    EXPECT_FALSE(app.catalog.RefreshInstalled());
    Install("Tarnwick\\Jotter\\jotter.exe", 0x00030004, 0x0000000C);
    fake.icons.rendered.insert_or_assign(std::string(kAppData) + "\\Tarnwick\\Jotter\\jotter.exe",
                                         Result<std::optional<Bytes>>::Of(Bytes{'B', 'M'}));
    EXPECT_TRUE(app.catalog.RefreshInstalled());
    EXPECT_EQ(app.catalog.Apps[1].installed, "3.4.0.12");
    EXPECT_EQ(app.catalog.Apps[1].icon, "file:///C:/Users/ann/AppData/Roaming/Pankor/icons/jotter.bmp");
    EXPECT_FALSE(app.catalog.RefreshInstalled());
}

TEST(PublisherAddress, OnlyHttpsOrLoopbackHttp) {
    std::string why;
    EXPECT_EQ(ParsePublisherAddress("https://tarnwick.com/", why)->base, "https://tarnwick.com");
    EXPECT_EQ(ParsePublisherAddress("https://tarnwick.com:8443/staging", why)->host, "tarnwick.com");
    EXPECT_EQ(ParsePublisherAddress("http://127.0.0.1:8080", why)->base, "http://127.0.0.1:8080");
    EXPECT_EQ(ParsePublisherAddress("http://127.0.0.2:8080", why)->host, "127.0.0.2");  // where a kit may serve
    EXPECT_EQ(ParsePublisherAddress("HTTP://LOCALHOST:1", why)->host, "LOCALHOST");
    EXPECT_EQ(ParsePublisherAddress("http://[::1]:9/", why)->host, "[::1]");
    for (const char* bad :
         {"http://tarnwick.com", "http://127.0.0.1.evil.test", "ftp://x", "https://", "https://u:p@x.test",
          "https://x.test:port", "https://x.test:", "https://:80", "tarnwick.com", "https://x.test/?q=1",
          "http://localhost.evil"})
        EXPECT_FALSE(ParsePublisherAddress(bad, why).has_value()) << bad;
}

TEST_F(CatalogTest, ARefusedPublisherOverrideKeepsTheDefault) {
    fake.system.commandLine = "/debug /publisher=http://evil.test/";
    app.catalog.ConfigurePublisher();
    EXPECT_EQ(app.catalog.PublisherBase(), "https://tarnwick.com");
    EXPECT_EQ(app.catalog.PublisherHost(), "tarnwick.com");
    EXPECT_NE(Log().find("REFUSED /publisher= http://evil.test/ : plain http:// is only for loopback hosts; keeping "
                         "https://tarnwick.com"),
              std::string::npos);
    fake.system.commandLine = "/publisher=\"http://127.0.0.1:5000\" /tray";
    app.catalog.ConfigurePublisher();
    EXPECT_EQ(app.catalog.CatalogUrl(), "http://127.0.0.1:5000/pankor/catalog.json");
    EXPECT_EQ(app.catalog.PublisherHost(), "127.0.0.1");
}

#include "FakeNotifyUi.h"
#include "Fixture.h"

using namespace pankor;

namespace {

class NotifyTest : public pankor::testing::AppTest {
protected:
    NotifyTest() {
        app.windows.Attach(&ui, nullptr);
        Consent("1");
    }
    void Consent(const std::string& value) {
        fake.fs.files[app.telemetry.TelemetryPath()] = "consent=" + value + "\r\n";
    }
    CatalogApp& Add(const std::string& slug, const std::string& installed, const std::string& latest,
                    const std::string& kind = "") {
        CatalogApp a;
        a.slug = slug;
        a.name = std::string(1, static_cast<char>(slug[0] - 'a' + 'A')) + slug.substr(1);
        a.installed = installed;
        a.latest = latest;
        a.kind = kind;
        app.catalog.Apps.push_back(a);
        app.catalog.AppCount = static_cast<int>(app.catalog.Apps.size());
        return app.catalog.Apps.back();
    }
    std::string State() const { return File(app.catalog.StatePath()); }
    fakes::FakeNotifyUi ui;
};

}  // namespace

TEST_F(NotifyTest, TheBalloonTellsOfOneTwoThreeOrManyUpdates) {
    struct Case {
        int pending;
        const char* heading;
        const char* body;
    };
    const Case cases[] = {
        {1, "Update available", "Alpha 2.0 is available."},
        {2, "Updates available", "Alpha, Beta have updates waiting."},
        {3, "Updates available", "Alpha, Beta, Gamma have updates waiting."},
        {4, "Updates available", "4 of your Tarnwick apps have updates waiting."},
    };
    const char* slugs[] = {"alpha", "beta", "gamma", "delta"};
    for (const Case& c : cases) {
        app.catalog.Apps.clear();
        fake.fs.files.erase(app.catalog.StatePath());
        ui.calls.clear();
        Add("zeta", "", "9.0");    // not installed: never pending
        Add("eta", "3.0", "3.0");  // up to date
        for (int i = 0; i < c.pending; ++i) Add(slugs[i], "1.0", "2.0", i == 1 ? "game" : "");  // games count too
        app.notify.NotifyUpdates();
        EXPECT_EQ(ui.calls,
                  (std::vector<std::string>{std::string("balloon ") + c.heading + "|" + c.body + "|apps", "flash"}))
            << c.pending;
        EXPECT_NE(State().find("notified=" + app.notify.PendingSignature() + "\r\n"), std::string::npos);
    }
    EXPECT_EQ(app.notify.PendingSignature(), "alpha:2.0|beta:2.0|gamma:2.0|delta:2.0|");
}

TEST_F(NotifyTest, EachSituationIsToldOnceAndClearedWhenItPasses) {
    Add("alpha", "1.0", "2.0");
    Add("beta", "1.0", "1.5");
    app.notify.NotifyUpdates();
    app.notify.NotifyUpdates();  // the same set again
    EXPECT_EQ(ui.calls.size(), 2u);
    EXPECT_NE(Log().find("notify: already told them about alpha:2.0|beta:1.5|"), std::string::npos) << Log();

    app.catalog.Apps[0].installed = "2.0";  // one installed: a new situation for the rest
    app.notify.NotifyUpdates();
    EXPECT_EQ(ui.calls.at(2), "balloon Update available|Beta 1.5 is available.|apps");

    app.catalog.Apps[1].installed = "1.5";
    app.notify.NotifyUpdates();
    EXPECT_NE(State().find("notified=\r\n"), std::string::npos);
    EXPECT_NE(Log().find("notify: nothing pending, cleared"), std::string::npos);
    app.notify.NotifyUpdates();  // nothing to clear twice
    const std::string log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
}

TEST_F(NotifyTest, TheFirstRunAndTheSettingKeepBothBalloonsQuietAndStoreNothing) {
    Add("alpha", "1.0", "2.0");
    Add("chess", "", "1.0", "game");
    Add("golf", "1.0", "1.0", "game");
    struct Case {
        const char* consent;
        const char* notify;
        const char* updateLine;
        const char* toyLine;
    };
    const Case cases[] = {
        {"", "1", "notify: skipped, first run", "notify: toy box skipped, first run"},
        {"1", "0", "notify: suppressed by setting", "notify: toy box suppressed by setting"},
    };
    for (const Case& c : cases) {
        Consent(c.consent);
        fake.fs.files[app.catalog.StatePath()] = std::string("notify=") + c.notify + "\r\n";
        fake.fs.files[kDataDir + std::string("\\debug.log")].clear();
        app.notify.NotifyUpdates();
        app.notify.NotifyToyBox();
        EXPECT_TRUE(ui.calls.empty());
        EXPECT_EQ(State(), std::string("notify=") + c.notify + "\r\n") << c.consent;  // nothing stored
        EXPECT_NE(Log().find(c.updateLine), std::string::npos) << Log();
        EXPECT_NE(Log().find(c.toyLine), std::string::npos) << Log();
    }
    EXPECT_FALSE(app.notify.NotifyEnabled());
    app.notify.SetNotifyEnabled(true);
    EXPECT_TRUE(app.notify.NotifyEnabled());
    EXPECT_NE(Log().find("update notifications = on"), std::string::npos);
}

TEST_F(NotifyTest, NewGamesAreAnnouncedOnceByWholeSlug) {
    fake.fs.files[app.catalog.StatePath()] = "toyboxtold=chess-pro golf\r\n";
    Add("chess", "", "1.0", "game").desc = "Éclair pieces in a Box";
    Add("golf", "", "1.0", "game");
    Add("darts", "1.0", "1.0", "game");  // installed: told silently
    Add("clock", "", "1.0");             // an app, not a game
    app.notify.NotifyToyBox();
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"balloon New in the Toy box|Chess - éclair pieces in a Box. It's "
                                                  "free - have a look.|toybox"}));
    EXPECT_NE(State().find("toyboxtold=chess-pro golf darts chess\r\n"), std::string::npos) << State();
    app.notify.NotifyToyBox();
    EXPECT_EQ(ui.calls.size(), 1u);

    Add("pool", "", "1.0", "game");
    Add("snooker", "", "1.0", "game");
    app.notify.NotifyToyBox();
    EXPECT_EQ(ui.calls.at(1), "balloon New in the Toy box|2 new games are waiting in the Toy box.|toybox");
    EXPECT_NE(Log().find("notify: toy box balloon for pool snooker"), std::string::npos);
}

TEST_F(NotifyTest, AGameWithoutADescriptionAndAnInstalledOneAlone) {
    Add("darts", "1.0", "1.0", "game");
    app.notify.NotifyToyBox();
    EXPECT_TRUE(ui.calls.empty());
    EXPECT_EQ(State(), "toyboxtold=darts\r\n");
    Add("chess", "", "1.0", "game");
    app.notify.NotifyToyBox();
    EXPECT_EQ(ui.calls.at(0), "balloon New in the Toy box|Chess - . It's free - have a look.|toybox");
}

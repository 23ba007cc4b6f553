#pragma once
// The whole manager on the fake platform and a fake host: the main window and
// the tray run real scenarios in milliseconds.
#include <gtest/gtest.h>

#include "FakeHost.h"
#include "FakeWindows.h"
#include "core/modJson.h"
#include "host/PageContract.h"
#include "host/frmMain.h"
#include "host/frmTray.h"

namespace pankor::testing {

class WindowsTest : public ::testing::Test {
protected:
    static constexpr const char* kDataDir = "C:\\Users\\ann\\AppData\\Roaming\\Pankor";
    static constexpr const char* kBase = "https://tarnwick.test";

    WindowsTest() {
        fake.fs.folders.insert(kDataDir);
        app.process.DataDir = kDataDir;  // as Main sets it from APPDATA
        fake.environment.vars["TEMP"] = "C:\\Temp";
        fake.fs.folders.insert("C:\\Temp");
        timers.events = &main;
        pump.onPump = [this] { timers.FireDue(); };
        app.windows.Attach(&main, &main);
    }

    // Every page call the window made fits the page contract: a known
    // function, and arguments of its types.
    void TearDown() override {
        for (const std::string& statement : browser.history) {
            if (statement.rfind("window.pk.", 0) != 0) continue;  // a self-test's own script
            const std::size_t open = statement.find('(');
            const std::string name = statement.substr(10, open - 10);
            const auto* f = std::find_if(std::begin(kPageFunctions), std::end(kPageFunctions),
                                         [&](const PageFunction& pf) { return pf.name == name; });
            ASSERT_NE(f, std::end(kPageFunctions)) << statement;
            modJson json;
            const JsonValue args = json.JsonParse("[" + statement.substr(open + 1, statement.size() - open - 3) + "]");
            ASSERT_TRUE(json.JsonOk()) << statement;
            std::string kinds;
            for (int i = 1; i <= JsonCount(args); ++i) {
                const JsonValue::Kind k = JsonItem(args, i).kind();
                kinds += k == JsonValue::Kind::Number ? 'n' : k == JsonValue::Kind::Boolean ? 'b' : 't';
            }
            EXPECT_EQ(kinds, f->args) << statement;
        }
    }

    // Main as the process entry runs it, then the window's load.
    void Start(const std::string& commandLine) {
        fake.system.commandLine = commandLine;
        ASSERT_TRUE(app.main.Main());
        main.Open();
    }
    // The page arrives and the boot timer fires.
    void Boot() {
        browser.Complete();
        timers.Advance(kBootIntervalMs);
    }

    std::string Log() const {
        const auto it = fake.fs.files.find(std::string(kDataDir) + "\\debug.log");
        return it == fake.fs.files.end() ? std::string() : it->second;
    }
    bool Logged(const std::string& line) const { return Log().find(" " + line + "\r\n") != std::string::npos; }
    std::string File(const std::string& path) const {
        const auto it = fake.fs.files.find(path);
        return it == fake.fs.files.end() ? std::string("<missing>") : it->second;
    }

    fakes::FakePlatform fake;
    fakes::FakePump pump{fake.system};
    fakes::FakeFolderPicker picker;
    Pankor app{fake.platform, HostServices{pump, picker}};
    fakes::FakeWindow window;
    fakes::FakeBrowser browser;
    fakes::FakeTimers timers{fake.system};
    fakes::FakeTray trayIcon;
    fakes::FakeLoop loop;
    frmTray tray{trayIcon, app.icons, window, main, app.log};
    frmMain main{app, MainWindowHost{window, browser, timers, loop}, tray};
};

}  // namespace pankor::testing

#pragma once
// A Pankor application object on the in-memory platform with the host's
// services faked too: a pump that moves the clock, a folder picker, a page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHost.h"
#include "FakePlatform.h"
#include "base/Text.h"
#include "startup/Pankor.h"

namespace pankor::testing {

class HostTest : public ::testing::Test {
protected:
    static constexpr const char* kDataDir = "C:\\Users\\ann\\AppData\\Roaming\\Pankor";
    static constexpr const char* kAppData = "C:\\Users\\ann\\AppData\\Roaming";
    static constexpr const char* kTemp = "C:\\Users\\ann\\AppData\\Local\\Temp";

    HostTest() {
        app.process.DataDir = kDataDir;
        app.process.DebugMode = true;
        fake.fs.folders.insert(kDataDir);
        fake.fs.folders.insert("C:\\Users\\ann\\AppData\\Local");
        fake.fs.folders.insert(kTemp);
        fake.environment.vars["TEMP"] = kTemp;
    }

    // The debug log's lines without their time.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const auto it = fake.fs.files.find(std::string(kDataDir) + "\\debug.log");
        if (it == fake.fs.files.end()) return lines;
        for (std::string_view line : SplitLines(it->second)) lines.emplace_back(line.substr(9));
        return lines;
    }

    // An app record in the catalog model, as a load would leave it.
    CatalogApp& AddApp(const std::string& slug, const std::string& name, const std::string& exe,
                       const std::string& installed = "1.0.0.1") {
        CatalogApp a;
        a.slug = slug;
        a.name = name;
        a.exe = exe;
        a.installed = installed;
        app.catalog.Apps.push_back(a);
        app.catalog.AppCount = static_cast<int>(app.catalog.Apps.size());
        return app.catalog.Apps.back();
    }

    std::string KeyedHashOf(const std::string& data) {
        return app.hash.KeyedHash(Bytes(data.begin(), data.end()), kInstallerHashKey);
    }

    fakes::FakePlatform fake;
    fakes::FakePump pump{fake.system};
    fakes::FakeFolderPicker picker;
    fakes::FakeUpdateUi ui;
    Pankor app{fake.platform, {pump, picker}};
    bool attached = (app.windows.Attach(nullptr, &ui), true);
};

using Lines = std::vector<std::string>;

}  // namespace pankor::testing

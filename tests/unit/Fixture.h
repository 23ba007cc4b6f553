#pragma once
// The application object on the in-memory platform and a faked host, with a publisher the fake crypto accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "FakeHost.h"
#include "FakePlatform.h"
#include "FakeWindows.h"
#include "base/Hex.h"
#include "base/Text.h"
#include "startup/Pankor.h"

namespace pankor::testing {

using Lines = std::vector<std::string>;

inline constexpr const char* kDataDir = "C:\\Users\\ann\\AppData\\Roaming\\Pankor";
inline constexpr const char* kAppData = "C:\\Users\\ann\\AppData\\Roaming";
inline constexpr const char* kTemp = "C:\\Users\\ann\\AppData\\Local\\Temp";
inline constexpr const char* kBase = "https://tarnwick.test";

// Each line ended by "\n", for whole-log comparisons with a table's text.
inline std::string Joined(const Lines& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

// A request in one line: method, URL, headers, the four timeouts, the body cap.
inline std::string Asked(const HttpRequest& r) {
    std::string out = r.method + " " + r.url;
    for (const auto& [name, value] : r.headers) out += " " + name + "=" + value;
    for (int ms : {r.resolveTimeoutMs, r.connectTimeoutMs, r.sendTimeoutMs, r.receiveTimeoutMs})
        out += " " + std::to_string(ms);
    return out + " max=" + std::to_string(r.maxBodyBytes);
}

class AppTest : public ::testing::Test {
protected:
    AppTest() {
        app.process.DataDir = kDataDir;
        app.process.DebugMode = true;
        fake.fs.folders.insert({kDataDir, "C:\\Users\\ann\\AppData\\Local", kTemp});
        std::string why;
        app.catalog.UsePublisher(kBase, why);
        // Keys whose blobs the fake crypto service sees as 276 bytes of 0xAA and 0xBB.
        app.sign.SigningKeyHex = std::string(552, 'a');
        app.sign.RecoveryKeyHex = std::string(552, 'b');
        app.windows.Attach(&ui, &ui);
    }

    std::string File(const std::string& path) const {
        const auto it = fake.fs.files.find(path);
        return it == fake.fs.files.end() ? std::string("<missing>") : it->second;
    }
    std::string State() const { return File(app.catalog.StatePath()); }
    void ClearLog() { fake.fs.files.erase(std::string(kDataDir) + "\\debug.log"); }
    // The debug log's lines without their time.
    Lines LogLines() const {
        Lines lines;
        if (const auto it = fake.fs.files.find(std::string(kDataDir) + "\\debug.log"); it != fake.fs.files.end())
            for (std::string_view line : SplitLines(it->second)) lines.emplace_back(line.substr(9));
        return lines;
    }
    std::string LogText() const { return Joined(LogLines()); }
    bool Logged(const std::string& line) const { return std::ranges::count(LogLines(), line) != 0; }

    // An app record in the catalog model, as a load would leave it.
    CatalogApp& AddApp(const std::string& slug, const std::string& name, const std::string& exe,
                       const std::string& installed = "1.0.0.1") {
        CatalogApp& a = app.catalog.Apps.emplace_back();
        std::tie(a.slug, a.name, a.exe, a.installed) = std::tie(slug, name, exe, installed);
        app.catalog.AppCount = static_cast<int>(app.catalog.Apps.size());
        return a;
    }
    // An installed app: its exe under APPDATA with a version resource.
    void Install(const std::string& relativeExe, std::uint32_t ms, std::uint32_t ls = 0) {
        const std::string path = std::string(kAppData) + "\\" + relativeExe;
        fake.fs.files[path] = "MZ";
        fake.versions.versions[path] = {ms, ls};
    }
    // Serves text as kBase's catalog with a signature the signing key verifies.
    void Publish(const std::string& text) {
        Bytes sig(256);
        for (std::size_t i = 0; i < sig.size(); ++i) sig[i] = static_cast<std::uint8_t>(text.size() + i);
        fake.crypto.validSignatures.insert(
            {Bytes(276, 0xAA), Bytes(text.begin(), text.end()), Bytes(sig.rbegin(), sig.rend())});
        fake.http.Serve(std::string(kBase) + "/pankor/catalog.json", text);
        fake.http.Serve(std::string(kBase) + "/pankor/catalog.json.sig", ToLowerHex(sig) + "\r\n");
    }
    std::string KeyedHashOf(const std::string& data) {
        return app.hash.KeyedHash(Bytes(data.begin(), data.end()), kInstallerHashKey);
    }

    fakes::FakePlatform fake;
    fakes::FakePump pump{fake.system};
    fakes::FakeFolderPicker picker;
    fakes::FakeUpdateUi ui;
    Pankor app{fake.platform, {pump, picker}};
};

}  // namespace pankor::testing

using namespace pankor;
using namespace pankor::testing;

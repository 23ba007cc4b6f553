#pragma once
// A publisher on the fake platform: serves catalogs whose signatures the fake
// crypto service accepts for the signing key.
#include "Fixture.h"
#include "trust/modSign.h"

namespace pankor::testing {

class CatalogTest : public AppTest {
protected:
    static constexpr const char* kBase = "https://tarnwick.test";
    static constexpr const char* kAppData = "C:\\Users\\ann\\AppData\\Roaming";

    CatalogTest() {
        fake.system.commandLine = std::string("/publisher=") + kBase;
        app.catalog.ConfigurePublisher();
        app.sign.SigningKeyHex = std::string(552, 'a');
        app.sign.RecoveryKeyHex = std::string(552, 'b');
        fake.fs.files.clear();
    }
    // Serves text as the catalog with a signature that verifies.
    void Publish(const std::string& text) {
        Bytes sig(256);
        for (std::size_t i = 0; i < sig.size(); ++i) sig[i] = static_cast<std::uint8_t>(text.size() + i);
        std::string hex;
        static const char* d = "0123456789abcdef";
        for (auto b : sig) hex += {d[b >> 4], d[b & 15]};
        fake.crypto.validSignatures.insert(
            {Bytes(276, 0xAA), Bytes(text.begin(), text.end()), Bytes(sig.rbegin(), sig.rend())});
        fake.http.Serve(std::string(kBase) + "/pankor/catalog.json", text);
        fake.http.Serve(std::string(kBase) + "/pankor/catalog.json.sig", hex + "\r\n");
    }
    // An installed app: its exe with a version resource.
    void Install(const std::string& relativeExe, std::uint32_t ms, std::uint32_t ls) {
        const std::string path = std::string(kAppData) + "\\" + relativeExe;
        fake.fs.files[path] = "MZ";
        fake.versions.versions[path] = {ms, ls};
    }
    std::string LogWithoutSig() const {
        std::string out;
        const std::string log = Log();
        for (std::string_view line : SplitLines(log))
            if (line.find(" SIG: ") == std::string_view::npos) out += std::string(line.substr(9)) + "\n";
        return out;
    }
};

}  // namespace pankor::testing

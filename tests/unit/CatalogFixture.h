#pragma once
// A publisher on the fake platform: serves catalogs whose signatures the fake
// crypto service accepts for the signing key.
#include "Fixture.h"
#include "Publisher.h"
#include "trust/modSign.h"

namespace pankor::testing {

class CatalogTest : public AppTest {
protected:
    static constexpr const char* kBase = "https://tarnwick.test";
    static constexpr const char* kAppData = "C:\\Users\\ann\\AppData\\Roaming";

    CatalogTest() {
        fake.system.commandLine = std::string("/publisher=") + kBase;
        app.catalog.ConfigurePublisher();
        TrustTestKeys(app.sign);
        fake.fs.files.clear();
    }
    // Serves text as the catalog with a signature that verifies.
    void Publish(const std::string& text) { PublishCatalog(fake, kBase, text); }
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

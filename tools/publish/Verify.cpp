// verify and hash: the manager's own routines, so the kit and the manager can
// never disagree about a signature or a checksum.
#include <cstdio>

#include "Publish.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"
#include "trust/modHash.h"
#include "trust/modSign.h"

namespace pankor::publish {

namespace {

constexpr const char* kVerifyUsage =
    "usage: pankor-publish verify CATALOG [--sig FILE] [--key BLOB.hex ...]\n"
    "  Checks CATALOG against its signature (default CATALOG.sig) exactly as the\n"
    "  manager does, and prints the manager's verdict line. Without --key the\n"
    "  keys built into this kit are used; one --key stands for both keys, a\n"
    "  second one is the recovery key. Exit code 0 only when it verifies.\n";

constexpr const char* kHashUsage =
    "usage: pankor-publish hash FILE\n"
    "  Prints the keyed hash of FILE: the value an app's \"sha\" in the catalog\n"
    "  must hold for the manager to run that installer.\n";

// The manager's debug log, printed instead of written to its file.
struct Kit {
    NativePlatform native;
    Pankor app{native.Get()};
    Kit() {
        app.process.DebugMode = true;
        app.log.SetSink(
            [](std::string_view line) { std::printf("%.*s\n", static_cast<int>(line.size()), line.data()); });
    }
};

bool ReadKey(const std::string& path, std::string& hex) {
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    hex = std::string(TrimWhite(text));
    return true;
}

}  // namespace

int Verify(const Args& args) {
    if (WantsHelp(args)) return Help(kVerifyUsage);
    std::string catalog, sigPath;
    std::vector<std::string> keyPaths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sig" && i + 1 < args.size())
            sigPath = args[++i];
        else if (args[i] == "--key" && i + 1 < args.size())
            keyPaths.push_back(args[++i]);
        else if (catalog.empty() && args[i].rfind("--", 0) != 0)
            catalog = args[i];
        else
            return Usage(kVerifyUsage);
    }
    if (catalog.empty() || keyPaths.size() > 2) return Usage(kVerifyUsage);
    if (sigPath.empty()) sigPath = catalog + ".sig";

    std::string data, sig;
    if (!ReadWholeFile(catalog, data)) return Fail("cannot read " + catalog);
    if (!ReadWholeFile(sigPath, sig)) return Fail("cannot read " + sigPath);
    Kit kit;
    for (std::size_t i = 0; i < keyPaths.size(); ++i) {
        std::string hex;
        if (!ReadKey(keyPaths[i], hex)) return Fail("cannot read " + keyPaths[i]);
        if (i == 0)
            kit.app.sign.SigningKeyHex = kit.app.sign.RecoveryKeyHex = hex;
        else
            kit.app.sign.RecoveryKeyHex = hex;
    }
    const ByteView bytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    return kit.app.sign.VerifyCatalogSig(bytes, sig) ? 0 : 1;
}

int Hash(const Args& args) {
    if (WantsHelp(args)) return Help(kHashUsage);
    if (args.size() != 1 || args[0].rfind("--", 0) == 0) return Usage(kHashUsage);
    std::string data;
    if (!ReadWholeFile(args[0], data)) return Fail("cannot read " + args[0]);
    Kit kit;
    const std::string hash =
        kit.app.hash.KeyedHash({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}, kInstallerHashKey);
    if (hash.empty()) return Fail("no hash could be made");
    std::printf("%s\n", hash.c_str());
    return 0;
}

}  // namespace pankor::publish

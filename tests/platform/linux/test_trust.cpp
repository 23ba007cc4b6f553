#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "TestSupport.h"
#include "base/Hex.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"
#include "trust/modHash.h"
#include "trust/modSign.h"

using namespace pankor;
using pankor::testing::ReadAll;
using pankor::testing::TempFolder;
using pankor::testing::WriteAll;

namespace {

std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[512];
    while (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    if (p != nullptr) pclose(p);
    return out;
}

ByteView View(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

// The real services, with the debug log kept in a temporary folder.
class Trust : public ::testing::Test {
protected:
    Trust() {
        app.process.DebugMode = true;
        app.process.DataDir = tmp.path();
    }
    std::string TakeLog() {
        std::string log = ReadAll(tmp / "debug.log");
        std::remove((tmp / "debug.log").c_str());
        return log;
    }
    // Signs with the openssl command line, not with our own code.
    std::string OpenSslSignature(const std::string& data, const std::string& key) {
        WriteAll(tmp / "catalog.json", data);
        Shell("openssl dgst -sha256 -sign " PANKOR_SOURCE_DIR "/keys/dev/development-" + key + ".private.pem -out " +
              (tmp / "sig.bin") + " " + (tmp / "catalog.json"));
        const std::string raw = ReadAll(tmp / "sig.bin");
        return ToLowerHex(View(raw));
    }

    TempFolder tmp;
    NativePlatform native;
    Pankor app{native.Get()};
};

const std::string kCatalog = "{\"serial\":7,\"apps\":[{\"slug\":\"clock-pro\"}]}\r\n";

}  // namespace

TEST_F(Trust, KeyedHashMatchesSha256OfKeyDataKeyComputedIndependently) {
    std::mt19937 rng(7);
    std::string big(1 << 20, '\0');
    for (char& c : big) c = static_cast<char>(rng());
    for (const std::string& data : {std::string(), std::string("abc"), std::string("\0\xff", 2), big}) {
        const std::string key(kInstallerHashKey);
        WriteAll(tmp / "envelope.bin", key + data + key);
        const std::string expected = Shell("sha256sum " + (tmp / "envelope.bin")).substr(0, 64);
        ASSERT_EQ(expected.size(), 64u);
        EXPECT_EQ(app.hash.KeyedHash(View(data), kInstallerHashKey), expected) << data.size();
    }
    EXPECT_EQ(TakeLog(), "");
}

TEST_F(Trust, SignaturesMadeByOpenSslVerifyWithTheRightKeyLine) {
    EXPECT_TRUE(app.sign.VerifyCatalogSig(View(kCatalog), OpenSslSignature(kCatalog, "signing")));
    EXPECT_NE(TakeLog().find("SIG: ok (signing key)\r\n"), std::string::npos);

    EXPECT_TRUE(app.sign.VerifyCatalogSig(View(kCatalog), OpenSslSignature(kCatalog, "recovery")));
    EXPECT_NE(TakeLog().find("SIG: ok (RECOVERY key) - the signing key is not the one publishing\r\n"),
              std::string::npos);
}

TEST_F(Trust, AnyChangeToTheBytesOrTheSignatureIsRefused) {
    const std::string sig = OpenSslSignature(kCatalog, "signing");
    std::string upper = sig;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(app.sign.VerifyCatalogSig(View(kCatalog), "\r\n  " + upper + "  \r\n"));

    std::string flipped = kCatalog;
    flipped[3] ^= 1;
    const std::string bom = "\xEF\xBB\xBF" + kCatalog;
    const std::string lf = kCatalog.substr(0, kCatalog.size() - 2) + "\n";
    for (const std::string& changed : {flipped, bom, lf}) {
        TakeLog();
        EXPECT_FALSE(app.sign.VerifyCatalogSig(View(changed), sig));
        EXPECT_EQ(TakeLog().substr(9), "SIG: REFUSED, verifies against neither key\r\n");
    }
    std::string badSig = sig;
    badSig[100] = badSig[100] == '0' ? '1' : '0';
    EXPECT_FALSE(app.sign.VerifyCatalogSig(View(kCatalog), badSig));
    EXPECT_FALSE(app.sign.VerifyCatalogSig(View(std::string()), sig));
    EXPECT_FALSE(app.sign.VerifyCatalogSig(View(kCatalog), sig.substr(0, 200) + " " + sig.substr(200)));
}

TEST_F(Trust, AKeyThatIsNotAnRsaBlobFailsImportWithItsLine) {
    app.sign.SigningKeyHex = std::string(552, '0');
    EXPECT_TRUE(app.sign.VerifyCatalogSig(View(kCatalog), OpenSslSignature(kCatalog, "recovery")));
    const std::string log = TakeLog();
    EXPECT_NE(log.find("SIG: CryptImportKey failed, err=&H"), std::string::npos) << log;
    EXPECT_NE(log.find("SIG: ok (RECOVERY key)"), std::string::npos) << log;
}

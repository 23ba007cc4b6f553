// The trust module on CryptoAPI: the same known answers as on OpenSSL.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"
#include "startup/Pankor.h"
#include "trust/TrustKeys.h"
#include "trust/modHash.h"
#include "trust/modSign.h"

using namespace pankor;

namespace {

ByteView View(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

// Made with: printf '%s%s%s' KEY DATA KEY | sha256sum (and md5sum).
constexpr const char* kEmptyData = "e049fda6f9c3aba76e362f51cdfd6337ea737e446dcbf7d50d2a877320f3a84e";
constexpr const char* kAbc = "9854e82cbe9ea1d4f343454ef5f4a16d58f4cc53f2444c743d553d81e746679b";

// Made with: openssl dgst -sha256 -sign keys/dev/development-<key>.private.pem
// over the catalog text below, as hex.
const std::string kCatalog = "{\"serial\":7,\"apps\":[]}\r\n";
constexpr const char* kBySigningKey =
    "6bc702b79ca1a1827632d0b4dd40740112089cba066991141daff646303c02b79dc0190f5602597a4c79785fb681121f740fbd61e9e4a96e2a"
    "98a1a78c2baf9306be0e11bd287b7403e54b46543ba96604b0c854f650d48b5fe259d8921f1af761c61e184cf604905b57b6a4869f07ddb29f"
    "57ad60e8978f5263313afa977cd17575787a7793bbe57b11905b57f003450e39b3a3cdbd5a8bb683d6e9b44b743a30a94082c2963bba540dbe"
    "5ee90fc3a9933846a2d1e20ee32102c8fe105a83f313f7828ac60280c35973572941b56f777b3a94f67a6c928bf26d66448f5e92ccbd4a31e6"
    "03073fd26abdf3eae7ddb7756caefb53665a9a48f910f9574f1414a6";
constexpr const char* kByRecoveryKey =
    "352f6c5a7c225b2e06034dd0d00daf6d26f93bb31bed32c6131a9419f874e068d8d4c568013511410987025f869f56a1bb8951e6809caed983"
    "28c3aa90c1983e427ed5d8c5610bef0547ea18c639304013db5b6e56449c9b37011269113c91a4f037d86fca6a5cbfc8932debb8ff1032131c"
    "961f5d0c1250939c2d252d522128905ccf87070eb3d5e5079de734a4c345c2fd417584896dfcf298aee274f6aed36286415f11badd024c73ab"
    "c0f3bad2c96a07b71fbb77e08f5630c98389dd9f3796b10e1e137e6ab1c6cd3d99495b0f0eae4b774881a7d43e1d2c6a6e34a31f00236ef856"
    "d8dbfe5306412eaad674d9a2c9aa8b7291a1013d17e468ced80cac76";

struct CryptoApi : ::testing::Test {
    CryptoApi() {
        app.process.DebugMode = true;
        app.log.SetSink([this](std::string_view line) { log += std::string(line) + "\n"; });
    }
    NativePlatform native;
    Pankor app{native.Get()};
    std::string log;
};

}  // namespace

TEST_F(CryptoApi, KeyedHashIsSha256OfKeyDataKey) {
    EXPECT_EQ(app.hash.KeyedHash(View(""), kInstallerHashKey), kEmptyData);
    EXPECT_EQ(app.hash.KeyedHash(View("abc"), kInstallerHashKey), kAbc);
    EXPECT_EQ(log, "");
}

TEST_F(CryptoApi, OpenSslSignaturesVerifyWithTheRightKey) {
    if (!kTrustsDevelopmentKeys) GTEST_SKIP() << "built with the publisher's keys";
    EXPECT_TRUE(app.sign.VerifyCatalogSig(View(kCatalog), kBySigningKey));
    EXPECT_EQ(log, "SIG: ok (signing key)\n");
    log.clear();
    EXPECT_TRUE(app.sign.VerifyCatalogSig(View(kCatalog), std::string(" \r\n") + kByRecoveryKey + "\r\n"));
    EXPECT_EQ(log, "SIG: ok (RECOVERY key) - the signing key is not the one publishing\n");
    log.clear();

    std::string tampered = kCatalog;
    tampered[2] ^= 1;
    EXPECT_FALSE(app.sign.VerifyCatalogSig(View(tampered), kBySigningKey));
    EXPECT_FALSE(app.sign.VerifyCatalogSig(View(""), kBySigningKey));
    EXPECT_EQ(log, "SIG: REFUSED, verifies against neither key\nSIG: REFUSED, verifies against neither key\n");
}

TEST_F(CryptoApi, ABlobThatIsNotAKeyFailsImportWithTheSystemCode) {
    app.sign.SigningKeyHex = std::string(552, '0');
    app.sign.RecoveryKeyHex = std::string(552, '0');
    EXPECT_FALSE(app.sign.VerifyCatalogSig(View(kCatalog), kBySigningKey));
    EXPECT_EQ(log.rfind("SIG: CryptImportKey failed, err=&H", 0), 0u) << log;
}

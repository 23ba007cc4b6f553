#include "Fixture.h"
#include "base/Hex.h"
#include "trust/modSign.h"

using namespace pankor;
using pankor::testing::AppTest;

namespace {

class SignTest : public AppTest {
protected:
    SignTest() {
        app.sign.SigningKeyHex = std::string(552, 'a');
        app.sign.RecoveryKeyHex = std::string(552, 'b');
        for (std::size_t i = 0; i < 256; ++i) signature.push_back(static_cast<std::uint8_t>(i * 7 + 1));
        sigHex = ToHex(signature);
        reversed.assign(signature.rbegin(), signature.rend());
    }
    static std::string ToHex(const Bytes& b) {
        static const char* d = "0123456789ABCDEF";
        std::string s;
        for (auto x : b) s += {d[x >> 4], d[x & 15]};
        return s;
    }
    void Accept(char keyDigit) {
        fake.crypto.validSignatures.insert({Bytes(276, static_cast<std::uint8_t>(keyDigit == 'a' ? 0xAA : 0xBB)),
                                            Bytes(catalog.begin(), catalog.end()), reversed});
    }
    bool Verify(std::string_view sig) {
        return app.sign.VerifyCatalogSig({reinterpret_cast<const std::uint8_t*>(catalog.data()), catalog.size()}, sig);
    }

    std::string catalog = "{\"serial\":1}";
    Bytes signature, reversed;
    std::string sigHex;
};

}  // namespace

TEST_F(SignTest, SigningKeyFirstThenRecoveryWithTheirOwnLines) {
    Accept('a');
    EXPECT_TRUE(Verify(sigHex));
    EXPECT_EQ(Log(), "14:03:27 SIG: ok (signing key)\r\n");

    fake.fs.files.clear();
    fake.crypto.validSignatures.clear();
    Accept('b');
    fake.crypto.calls.clear();
    EXPECT_TRUE(Verify(sigHex));
    EXPECT_EQ(Log(), "14:03:27 SIG: ok (RECOVERY key) - the signing key is not the one publishing\r\n");
    // Each key gets its own context, key and hash, released hash, key, context.
    const std::vector<std::string> oneKey{"acquire 24", "import key",   "create hash 32780", "hash " + catalog,
                                          "verify",     "destroy hash", "destroy key",       "release context"};
    std::vector<std::string> both(oneKey);
    both.insert(both.end(), oneKey.begin(), oneKey.end());
    EXPECT_EQ(fake.crypto.calls, both);

    fake.fs.files.clear();
    fake.crypto.validSignatures.clear();
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(Log(), "14:03:27 SIG: REFUSED, verifies against neither key\r\n");
}

TEST_F(SignTest, SignatureTextIsTrimmedOfWhiteAndEitherCase) {
    Accept('a');
    std::string lower = sigHex;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(Verify("\r\n  \t" + lower + " \r\n"));
    EXPECT_TRUE(Verify(sigHex));
}

TEST_F(SignTest, MalformedSignaturesAreRefusedBeforeAnyKeyIsTried) {
    struct Case {
        std::string sig;
        std::string line;
    };
    const Case cases[] = {
        {"", "SIG: refused, no signature supplied"},
        {" \r\n\t ", "SIG: refused, no signature supplied"},
        {sigHex.substr(0, 100) + " " + sigHex.substr(100), "SIG: refused, signature is not clean hex"},
        {sigHex.substr(0, 511), "SIG: refused, signature is not clean hex"},
        {sigHex.substr(0, 510), "SIG: refused, signature is 255 bytes, want 256"},
        {sigHex + "00", "SIG: refused, signature is 257 bytes, want 256"},
        {"zz" + sigHex.substr(2), "SIG: refused, signature is not clean hex"},
    };
    for (const Case& c : cases) {
        fake.fs.files.clear();
        fake.crypto.calls.clear();
        EXPECT_FALSE(Verify(c.sig)) << c.line;
        EXPECT_EQ(Log(), "14:03:27 " + c.line + "\r\n");
        EXPECT_TRUE(fake.crypto.calls.empty()) << c.line;
    }
}

TEST_F(SignTest, AnEmptyCatalogNeverVerifies) {
    catalog.clear();
    Accept('a');
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(Log(), "14:03:27 SIG: REFUSED, verifies against neither key\r\n");
}

TEST_F(SignTest, PlatformFailuresAreLoggedOncePerKey) {
    fake.crypto.failImport = 0x80090005;
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(Log(),
              "14:03:27 SIG: CryptImportKey failed, err=&H80090005\r\n"
              "14:03:27 SIG: CryptImportKey failed, err=&H80090005\r\n"
              "14:03:27 SIG: REFUSED, verifies against neither key\r\n");

    fake.fs.files.clear();
    fake.crypto.failImport = 0;
    fake.crypto.failAcquire[CryptoProvider::RsaAes] = 1;
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(Log().find("SIG: CryptAcquireContext failed, err=1\r\n"), 9u);

    fake.fs.files.clear();
    fake.crypto.failAcquire.clear();
    fake.crypto.failCreateHash[HashAlgorithm::Sha256] = 0x80090008;
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(Log().find("SIG: CryptCreateHash failed, err=&H80090008\r\n"), 9u);

    fake.fs.files.clear();
    fake.crypto.failCreateHash.clear();
    fake.crypto.failHashData = 0x8009000F;
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(Log().find("SIG: CryptHashData failed, err=&H8009000F\r\n"), 9u);
}

TEST_F(SignTest, ABadKeyBlobIsABuildError) {
    app.sign.SigningKeyHex = "not hex";
    Accept('b');
    EXPECT_TRUE(Verify(sigHex));
    EXPECT_EQ(Log(),
              "14:03:27 SIG: key blob is not clean hex - this is a build error, not an attack\r\n"
              "14:03:27 SIG: ok (RECOVERY key) - the signing key is not the one publishing\r\n");
}

TEST_F(SignTest, SelfTestChecksTheFileFourWays) {
    Accept('a');
    const std::string path = "C:\\pub\\catalog.json";
    fake.fs.folders.insert("C:\\pub");
    fake.fs.files[path] = catalog;
    fake.fs.files[path + ".sig"] = "  " + sigHex + "\r\nignored second line\r\n";
    fake.system.commandLine = "/debug /TESTSIG \"" + path + "\"";
    app.sign.SigSelfTest(fake.system.commandLine);
    const std::string log = Log();
    EXPECT_NE(log.find("SIGTEST: C:\\pub\\catalog.json (12 bytes), sig 512 hex chars\r\n"), std::string::npos);
    EXPECT_NE(log.find("SIGTEST: intact   -> True   (want True)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("SIGTEST: tampered -> False   (want False)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("SIGTEST: truncated sig -> False   (want False)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("SIGTEST: empty sig     -> False   (want False)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("SIG: refused, signature is 255 bytes, want 256"), std::string::npos);
}

TEST_F(SignTest, SelfTestSaysWhatIsMissing) {
    fake.system.commandLine = "/testsig";
    app.sign.SigSelfTest(fake.system.commandLine);
    fake.system.commandLine = "/testsig C:\\none.json";
    app.sign.SigSelfTest(fake.system.commandLine);
    fake.fs.files["C:\\cat.json"] = "x";
    fake.system.commandLine = "/testsig C:\\cat.json";
    app.sign.SigSelfTest(fake.system.commandLine);
    EXPECT_EQ(Log(),
              "14:03:27 SIGTEST: no file given\r\n"
              "14:03:27 SIGTEST: no such file C:\\none.json\r\n"
              "14:03:27 SIGTEST: no signature at C:\\cat.json.sig\r\n");
}

TEST(HexHelpers, Decoding) {
    Bytes b;
    EXPECT_TRUE(HexToBytes(" 0aFf ", b));
    EXPECT_EQ(b, (Bytes{0x0A, 0xFF}));
    EXPECT_FALSE(HexToBytes("abc", b));
    EXPECT_FALSE(HexToBytes("", b));
    EXPECT_FALSE(HexToBytes("0g", b));
    EXPECT_FALSE(HexToBytes("\t00", b));  // only blanks are trimmed here
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), -1);
    EXPECT_EQ(TrimWhite("\r\n\t x \t\r\n"), "x");
    EXPECT_EQ(TrimWhite(" \t"), "");
    Bytes r{1, 2, 3};
    ReverseBytes(r);
    EXPECT_EQ(r, (Bytes{3, 2, 1}));
    Bytes one{9};
    ReverseBytes(one);
    EXPECT_EQ(one, Bytes{9});
}

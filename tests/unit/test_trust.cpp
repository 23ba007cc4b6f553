// The catalog's signature and the keyed hash of installers, on a scripted crypto service that records every call.
#include <functional>

#include "Fixture.h"

namespace {

class SignTest : public AppTest {
protected:
    SignTest() {
        for (std::size_t i = 0; i < 256; ++i) signature.push_back(static_cast<std::uint8_t>(i * 7 + 1));
        for (std::uint8_t b : signature) sigHex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    }
    void Accept(std::uint8_t keyByte) {
        fake.crypto.validSignatures.insert(
            {Bytes(276, keyByte), Bytes(catalog.begin(), catalog.end()), Bytes(signature.rbegin(), signature.rend())});
    }
    bool Verify(std::string_view sig) { return app.sign.VerifyCatalogSig(Bytes(catalog.begin(), catalog.end()), sig); }
    void Reset() {
        fake.fs.files.clear();
        fake.crypto = {};
    }

    std::string catalog = "{\"serial\":1}";
    Bytes signature;
    std::string sigHex;
};

}  // namespace

TEST_F(SignTest, TheSigningKeyFirstThenTheRecoveryKey) {
    Accept(0xAA);
    EXPECT_TRUE(Verify("\r\n  \t" + sigHex + " \r\n"));  // trimmed of white; every catalog test sends lower case
    EXPECT_EQ(LogLines(), Lines{"SIG: ok (signing key)"});

    Reset();
    Accept(0xBB);
    EXPECT_TRUE(Verify(sigHex));
    EXPECT_EQ(LogLines(), Lines{"SIG: ok (RECOVERY key) - the signing key is not the one publishing"});
    // Each key gets its own context, key and hash, released hash, key, context.
    const std::string oneKey = "acquire 24\nimport key\ncreate hash 32780\nhash " + catalog +
                               "\nverify\ndestroy hash\ndestroy key\nrelease context\n";
    EXPECT_EQ(Joined(fake.crypto.calls), oneKey + oneKey);

    Reset();
    EXPECT_FALSE(Verify(sigHex));
    catalog.clear();  // an empty catalog never verifies
    Accept(0xAA);
    EXPECT_FALSE(Verify(sigHex));
    EXPECT_EQ(LogLines(), Lines(2, "SIG: REFUSED, verifies against neither key"));

    Reset();
    app.sign.SigningKeyHex = "not hex";
    catalog = "x";
    Accept(0xBB);
    EXPECT_TRUE(Verify(sigHex));
    EXPECT_EQ(LogText(),
              "SIG: key blob is not clean hex - this is a build error, not an attack\nSIG: ok (RECOVERY key) - "
              "the signing key is not the one publishing\n");
}

TEST_F(SignTest, MalformedSignaturesAreRefusedBeforeAnyKeyIsTried) {
    // An odd length or a letter that is no digit: the hex reader's own rows.
    const std::pair<std::string, std::string> cases[] = {
        {" \r\n\t ", "SIG: refused, no signature supplied"},
        {sigHex.substr(0, 100) + " " + sigHex.substr(100), "SIG: refused, signature is not clean hex"},
        {sigHex.substr(0, 510), "SIG: refused, signature is 255 bytes, want 256"},
        {sigHex + "00", "SIG: refused, signature is 257 bytes, want 256"},
    };
    for (const auto& [sig, line] : cases) {
        Reset();
        EXPECT_FALSE(Verify(sig)) << line;
        EXPECT_EQ(LogLines(), Lines{line});
        EXPECT_TRUE(fake.crypto.calls.empty()) << line;
    }
}

TEST_F(SignTest, PlatformFailuresAreLoggedOncePerKey) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { fake.crypto.failAcquire[CryptoProvider::RsaAes] = 1; }, "SIG: CryptAcquireContext failed, err=1"},
        {[&] { fake.crypto.failImport = 0x80090005; }, "SIG: CryptImportKey failed, err=&H80090005"},
        {[&] { fake.crypto.failCreateHash[HashAlgorithm::Sha256] = 0x80090008; },
         "SIG: CryptCreateHash failed, err=&H80090008"},
        {[&] { fake.crypto.failHashData = 0x8009000F; }, "SIG: CryptHashData failed, err=&H8009000F"},
    };
    for (const auto& [fail, line] : cases) {
        Reset();
        Accept(0xAA);
        fail();
        EXPECT_FALSE(Verify(sigHex));
        EXPECT_EQ(LogLines(), (Lines{line, line, "SIG: REFUSED, verifies against neither key"}));
    }
}

TEST_F(SignTest, TheSelfTestChecksAFileFourWaysOrSaysWhatIsMissing) {
    Accept(0xAA);
    fake.fs.files["C:\\cat.json"] = catalog;
    fake.fs.files["C:\\cat.json.sig"] = "  " + sigHex + "\r\nignored second line\r\n";
    app.sign.SigSelfTest("/debug /TESTSIG \"C:\\cat.json\"");
    std::string verdicts;
    for (const std::string& line : LogLines())
        if (line.rfind("SIGTEST: ", 0) == 0) verdicts += line.substr(9) + "\n";
    EXPECT_EQ(verdicts,
              "C:\\cat.json (12 bytes), sig 512 hex chars\nintact   -> True   (want True)\ntampered -> False   "
              "(want False)\ntruncated sig -> False   (want False)\nempty sig     -> False   (want False)\n");
    EXPECT_EQ(LogLines().at(5), "SIG: refused, signature is 255 bytes, want 256");

    ClearLog();
    fake.fs.files["C:\\x.json"] = "x";
    for (const char* line : {"/testsig", "/testsig C:\\none.json", "/testsig C:\\x.json", "/nothing"})
        app.sign.SigSelfTest(line);
    EXPECT_EQ(LogText(),
              "SIGTEST: no file given\nSIGTEST: no such file C:\\none.json\nSIGTEST: no signature at "
              "C:\\x.json.sig\n");
}

// What the keyed hash feeds and its hex are the end-to-end HASHTEST line's, against the publisher's kit.
using KeyedHashTest = SignTest;

TEST_F(KeyedHashTest, EachPlatformFailureFallsBackOnceThenGivesUp) {
    struct Case {
        unsigned long aes, full, sha256, md5, value;  // the error of each step, 0: it works
        std::size_t hexLength;                        // 32: MD5 instead
        Lines log;
    };
    const Case cases[] = {
        {2148073497u, 0, 0, 0, 0, 32, {"CryptAcquireContext(AES) failed, err=2148073497"}},
        {5, 6, 0, 0, 0, 0, {"CryptAcquireContext(AES) failed, err=5", "CryptAcquireContext(FULL) failed too, err=6"}},
        {0, 0, 2148073480u, 0, 0, 32, {"CryptCreateHash(alg=&H800C) failed, err=2148073480"}},
        {0, 0, 1, 7, 0, 0, {"CryptCreateHash(alg=&H800C) failed, err=1", "CryptCreateHash(MD5) failed too, err=7"}},
        {0, 0, 0, 0, 87, 0, {"CryptGetHashParam failed, err=87"}},
    };
    for (const Case& c : cases) {
        Reset();
        for (const auto& [provider, code] :
             {std::pair{CryptoProvider::RsaAes, c.aes}, {CryptoProvider::RsaFull, c.full}})
            if (code) fake.crypto.failAcquire[provider] = code;
        for (const auto& [algorithm, code] : {std::pair{HashAlgorithm::Sha256, c.sha256}, {HashAlgorithm::Md5, c.md5}})
            if (code) fake.crypto.failCreateHash[algorithm] = code;
        fake.crypto.failGetValue = c.value;
        EXPECT_EQ(app.hash.KeyedHash(Bytes{'x'}, "KEY").size(), c.hexLength) << c.log.back();
        EXPECT_EQ(LogLines(), c.log);
        if (c.hexLength == 32) {
            EXPECT_EQ(fake.crypto.calls.at(fake.crypto.calls.size() - 6), "create hash 32771");
        }
        EXPECT_EQ(fake.crypto.calls.back() == "release context", c.full == 0) << c.log.back();
    }
}

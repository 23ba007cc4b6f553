#pragma once
// Hashes and RSA signature checks as the trust module drives them: standard answers, signatures made
// by OpenSSL with the development keys, and the failures whose codes the log shows. Host: crypto.
// The build defines PANKOR_DEV_SIGNING_KEY_HEX and PANKOR_DEV_RECOVERY_KEY_HEX (public key blobs).
#include <algorithm>

#include "ContractSupport.h"
#include "base/Hex.h"

namespace pankor::contract {

inline Bytes FromHex(std::string_view hex, bool reversed = false) {
    Bytes out;
    EXPECT_TRUE(HexToBytes(hex, out)) << hex;
    if (reversed) std::reverse(out.begin(), out.end());  // as the platform wants a signature
    return out;
}

// Made with: openssl dgst -sha256 -sign keys/dev/development-signing.private.pem
// over kCatalog, as hex.
inline const std::string kCatalog = "{\"serial\":7,\"apps\":[]}\r\n";
constexpr const char* kBySigningKey =
    "6bc702b79ca1a1827632d0b4dd40740112089cba066991141daff646303c02b79dc0190f5602597a4c79785fb681121f740fbd61e9e4a96e2a"
    "98a1a78c2baf9306be0e11bd287b7403e54b46543ba96604b0c854f650d48b5fe259d8921f1af761c61e184cf604905b57b6a4869f07ddb29f"
    "57ad60e8978f5263313afa977cd17575787a7793bbe57b11905b57f003450e39b3a3cdbd5a8bb683d6e9b44b743a30a94082c2963bba540dbe"
    "5ee90fc3a9933846a2d1e20ee32102c8fe105a83f313f7828ac60280c35973572941b56f777b3a94f67a6c928bf26d66448f5e92ccbd4a31e6"
    "03073fd26abdf3eae7ddb7756caefb53665a9a48f910f9574f1414a6";

template <typename Host>
class CryptoContract : public ::testing::Test {
protected:
    std::unique_ptr<ICryptoContext> Context(CryptoProvider provider = CryptoProvider::RsaAes) {
        Result<std::unique_ptr<ICryptoContext>> context = host.crypto.AcquireContext(provider);
        EXPECT_TRUE(context.ok()) << static_cast<unsigned>(provider) << ": " << context.error();
        return context.ok() ? std::move(*context) : nullptr;
    }
    // The check the catalog gets, on a fresh hash of the data.
    bool Verifies(const std::string& keyHex, const std::string& data, const Bytes& signatureLsbFirst) {
        const std::unique_ptr<ICryptoContext> context = Context();
        if (!context) return false;
        Result<std::unique_ptr<ICryptoKey>> key = context->ImportKey(FromHex(keyHex));
        Result<std::unique_ptr<ICryptoHash>> hash = context->CreateHash(HashAlgorithm::Sha256);
        EXPECT_TRUE(key.ok() && hash.ok()) << key.error() << hash.error();
        return key.ok() && hash.ok() && (*hash)->HashData(View(data)).ok() &&
               context->VerifySignature(**hash, signatureLsbFirst, **key);
    }
    Host host;
};
TYPED_TEST_SUITE(CryptoContract, ContractHosts);

TYPED_TEST(CryptoContract, DigestsOfDataFedInPiecesMatchTheStandardAnswers) {
    const std::string million(1000000, 'a');
    using enum CryptoProvider;
    const std::tuple<CryptoProvider, HashAlgorithm, std::string, const char*> cases[] = {
        // the standards' vectors
        {RsaAes, HashAlgorithm::Sha256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {RsaAes, HashAlgorithm::Sha256, million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {RsaFull, HashAlgorithm::Md5, million, "7707d6ae4e027c70eea2a935c2296f21"}};
    for (const auto& [provider, algorithm, data, digest] : cases) {
        const std::unique_ptr<ICryptoContext> context = this->Context(provider);
        ASSERT_TRUE(context);
        Result<std::unique_ptr<ICryptoHash>> hash = context->CreateHash(algorithm);
        ASSERT_TRUE(hash.ok()) << hash.error();
        for (std::size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 3 + 1)  // as a file is read
            ASSERT_TRUE((*hash)->HashData(View(data.substr(at, piece))).ok());
        EXPECT_EQ(ToLowerHex((*hash)->GetValue().value_or({})), digest) << data.size() << " bytes";
    }
}

TYPED_TEST(CryptoContract, SignaturesVerifyAgainstTheirOwnKeyAndUnchangedDataOnly) {
    const std::string signing = PANKOR_DEV_SIGNING_KEY_HEX, recovery = PANKOR_DEV_RECOVERY_KEY_HEX;
    const Bytes bySigning = FromHex(kBySigningKey, true);
    std::string tampered = kCatalog;
    tampered[2] ^= 1;
    Bytes flipped = bySigning;
    flipped[100] ^= 0x10;
    const std::tuple<const char*, const std::string&, std::string, Bytes, bool> cases[] = {
        {"its own key", signing, kCatalog, bySigning, true},
        {"the other key", recovery, kCatalog, bySigning, false},
        {"tampered data", signing, tampered, bySigning, false},
        {"a flipped signature bit", signing, kCatalog, flipped, false},
        {"a signature one byte short", signing, kCatalog, Bytes(bySigning.begin() + 1, bySigning.end()), false},
        {"no signature", signing, kCatalog, Bytes(), false},
        {"most significant byte first", signing, kCatalog, FromHex(kBySigningKey), false}};
    for (const auto& [what, key, data, signature, verifies] : cases)
        EXPECT_EQ(this->Verifies(key, data, signature), verifies) << what;
}

TYPED_TEST(CryptoContract, BlobsThatAreNoPublicKeyAreRefusedWithACode) {
    const Bytes signing = FromHex(PANKOR_DEV_SIGNING_KEY_HEX);
    Bytes notRsa = signing;
    notRsa[8] = 'X';  // "RSA1" is the public key's magic
    const std::unique_ptr<ICryptoContext> context = this->Context();
    ASSERT_TRUE(context);
    for (const Bytes& blob : {Bytes(276, 0), Bytes(signing.begin(), signing.begin() + 100), notRsa, Bytes()}) {
        const Result<std::unique_ptr<ICryptoKey>> key = context->ImportKey(blob);
        EXPECT_TRUE(Described(key) && key.code() != 0) << blob.size() << " " << key.code();  // the log line shows it
    }
}

}  // namespace pankor::contract

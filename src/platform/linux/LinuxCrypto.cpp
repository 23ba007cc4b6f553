#include "platform/linux/LinuxCrypto.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>

namespace pankor {

namespace {

// Error codes in the family Windows uses for the same failures, so log
// lines read alike on both hosts.
constexpr unsigned long kBadAlgorithm = 0x80090008;  // NTE_BAD_ALGID
constexpr unsigned long kBadData = 0x80090005;       // NTE_BAD_DATA
constexpr unsigned long kBadHashState = 0x80090002;  // NTE_BAD_HASH_STATE (hash already read)
constexpr unsigned long kNoMemory = 0x8009000E;      // NTE_NO_MEMORY

// A failure described by its code, as the core logs it.
Status Fail(unsigned long code) { return Status::Fail("crypto error " + std::to_string(code), code); }

unsigned long OpenSslError(unsigned long fallback) {
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    return e != 0 ? e : fallback;
}

class OpenSslHash : public ICryptoHash {
public:
    explicit OpenSslHash(const EVP_MD* md) : md_(md), ctx_(EVP_MD_CTX_new()) {}
    ~OpenSslHash() override { EVP_MD_CTX_free(ctx_); }
    OpenSslHash(const OpenSslHash&) = delete;
    OpenSslHash& operator=(const OpenSslHash&) = delete;

    bool Init() { return ctx_ != nullptr && EVP_DigestInit_ex(ctx_, md_, nullptr) == 1; }
    const EVP_MD* md() const { return md_; }

    Status HashData(ByteView data) noexcept override {
        if (finished_) return Fail(kBadHashState);
        if (EVP_DigestUpdate(ctx_, data.data(), data.size()) != 1) return Fail(OpenSslError(kBadData));
        return Status::Ok();
    }
    Result<Bytes> GetValue() noexcept override {
        try {
            if (!finished_) {
                unsigned len = 0;
                value_.resize(EVP_MAX_MD_SIZE);
                if (EVP_DigestFinal_ex(ctx_, value_.data(), &len) != 1)
                    return Result<Bytes>::From(Fail(OpenSslError(kBadData)));
                value_.resize(len);
                finished_ = true;
            }
            return Result<Bytes>::Of(value_);
        } catch (...) {
            return Result<Bytes>::From(Fail(kNoMemory));
        }
    }

private:
    const EVP_MD* md_;
    EVP_MD_CTX* ctx_;
    Bytes value_;
    bool finished_ = false;
};

class OpenSslKey : public ICryptoKey {
public:
    explicit OpenSslKey(EVP_PKEY* key) : key_(key) {}
    ~OpenSslKey() override { EVP_PKEY_free(key_); }
    OpenSslKey(const OpenSslKey&) = delete;
    OpenSslKey& operator=(const OpenSslKey&) = delete;
    EVP_PKEY* get() const { return key_; }

private:
    EVP_PKEY* key_;
};

std::uint32_t Le32(ByteView b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// PUBLICKEYBLOB: BLOBHEADER (type 6, version 2, reserved, RSA algorithm),
// RSAPUBKEY ("RSA1", bit length, exponent), modulus least significant byte first.
EVP_PKEY* KeyFromBlob(ByteView blob) {
    if (blob.size() < 20 || blob[0] != 0x06 || blob[1] != 0x02) return nullptr;
    const std::uint32_t algorithm = Le32(blob, 4);
    if (algorithm != 0xA400 && algorithm != 0x2400) return nullptr;  // CALG_RSA_KEYX, CALG_RSA_SIGN
    if (Le32(blob, 8) != 0x31415352) return nullptr;                 // "RSA1"
    const std::uint32_t bits = Le32(blob, 12);
    if (bits == 0 || bits % 8 != 0 || blob.size() != 20 + bits / 8) return nullptr;
    const std::uint32_t exponent = Le32(blob, 16);

    std::vector<std::uint8_t> modulus(blob.begin() + 20, blob.end());
    std::reverse(modulus.begin(), modulus.end());
    BIGNUM* n = BN_bin2bn(modulus.data(), static_cast<int>(modulus.size()), nullptr);
    BIGNUM* e = BN_new();
    EVP_PKEY* key = nullptr;
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    OSSL_PARAM* params = nullptr;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    if (n && e && bld && ctx && BN_set_word(e, exponent) == 1 &&
        OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_N, n) == 1 &&
        OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_E, e) == 1 && (params = OSSL_PARAM_BLD_to_param(bld)) &&
        EVP_PKEY_fromdata_init(ctx) == 1)
        EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params);
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    BN_free(e);
    BN_free(n);
    return key;
}

class OpenSslContext : public ICryptoContext {
public:
    Result<std::unique_ptr<ICryptoHash>> CreateHash(HashAlgorithm algorithm) noexcept override {
        using R = Result<std::unique_ptr<ICryptoHash>>;
        const EVP_MD* md = algorithm == HashAlgorithm::Sha256 ? EVP_sha256()
                           : algorithm == HashAlgorithm::Md5  ? EVP_md5()
                                                              : nullptr;
        try {
            if (md == nullptr) return R::From(Fail(kBadAlgorithm));
            auto hash = std::make_unique<OpenSslHash>(md);
            if (!hash->Init()) return R::From(Fail(OpenSslError(kBadAlgorithm)));
            return R::Of(std::move(hash));
        } catch (...) {
            return R::From(Fail(kNoMemory));
        }
    }

    Result<std::unique_ptr<ICryptoKey>> ImportKey(ByteView blob) noexcept override {
        using R = Result<std::unique_ptr<ICryptoKey>>;
        try {
            EVP_PKEY* key = KeyFromBlob(blob);
            if (key == nullptr) return R::From(Fail(OpenSslError(kBadData)));
            return R::Of(std::make_unique<OpenSslKey>(key));
        } catch (...) {
            return R::From(Fail(kNoMemory));
        }
    }

    bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept override {
        try {
            auto* h = dynamic_cast<OpenSslHash*>(&hash);
            auto* k = dynamic_cast<OpenSslKey*>(&key);
            if (h == nullptr || k == nullptr) return false;
            const Result<Bytes> value = h->GetValue();
            if (!value.ok()) return false;
            const Bytes& digest = *value;
            std::vector<std::uint8_t> bigEndian(signature.rbegin(), signature.rend());
            EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(k->get(), nullptr);
            const bool ok = ctx != nullptr && EVP_PKEY_verify_init(ctx) == 1 &&
                            EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
                            EVP_PKEY_CTX_set_signature_md(ctx, h->md()) == 1 &&
                            EVP_PKEY_verify(ctx, bigEndian.data(), bigEndian.size(), digest.data(), digest.size()) == 1;
            EVP_PKEY_CTX_free(ctx);
            ERR_clear_error();  // a signature that does not match is an answer, not an error
            return ok;
        } catch (...) {
            return false;
        }
    }
};

}  // namespace

Result<std::unique_ptr<ICryptoContext>> LinuxCrypto::AcquireContext(CryptoProvider) noexcept {
    using R = Result<std::unique_ptr<ICryptoContext>>;
    try {
        return R::Of(std::make_unique<OpenSslContext>());
    } catch (...) {
        return R::From(Fail(kNoMemory));
    }
}

}  // namespace pankor

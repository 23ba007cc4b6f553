#include "platform/win32/Win32Crypto.h"

#include "platform/win32/Win32Windows.h"

#include <wincrypt.h>

namespace pankor {

namespace {

class CapiHash : public ICryptoHash {
public:
    explicit CapiHash(HCRYPTHASH h) : hash_(h) {}
    ~CapiHash() override { CryptDestroyHash(hash_); }
    CapiHash(const CapiHash&) = delete;
    CapiHash& operator=(const CapiHash&) = delete;
    HCRYPTHASH get() const { return hash_; }

    CryptoStatus HashData(ByteView data) noexcept override {
        if (!CryptHashData(hash_, data.data(), static_cast<DWORD>(data.size()), 0))
            return CryptoStatus::Fail(GetLastError());
        return CryptoStatus::Ok();
    }
    CryptoStatus GetValue(Bytes& digest) noexcept override {
        BYTE buffer[64];
        DWORD length = sizeof buffer;
        if (!CryptGetHashParam(hash_, HP_HASHVAL, buffer, &length, 0)) return CryptoStatus::Fail(GetLastError());
        try {
            digest.assign(buffer, buffer + length);
        } catch (...) {
            return CryptoStatus::Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        return CryptoStatus::Ok();
    }

private:
    HCRYPTHASH hash_;
};

class CapiKey : public ICryptoKey {
public:
    explicit CapiKey(HCRYPTKEY k) : key_(k) {}
    ~CapiKey() override { CryptDestroyKey(key_); }
    CapiKey(const CapiKey&) = delete;
    CapiKey& operator=(const CapiKey&) = delete;
    HCRYPTKEY get() const { return key_; }

private:
    HCRYPTKEY key_;
};

class CapiContext : public ICryptoContext {
public:
    explicit CapiContext(HCRYPTPROV p) : provider_(p) {}
    ~CapiContext() override { CryptReleaseContext(provider_, 0); }
    CapiContext(const CapiContext&) = delete;
    CapiContext& operator=(const CapiContext&) = delete;

    CryptoStatus CreateHash(HashAlgorithm algorithm, std::unique_ptr<ICryptoHash>& out) noexcept override {
        HCRYPTHASH h = 0;
        if (!CryptCreateHash(provider_, static_cast<ALG_ID>(algorithm), 0, 0, &h))
            return CryptoStatus::Fail(GetLastError());
        try {
            out = std::make_unique<CapiHash>(h);
        } catch (...) {
            CryptDestroyHash(h);
            return CryptoStatus::Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        return CryptoStatus::Ok();
    }

    CryptoStatus ImportKey(ByteView blob, std::unique_ptr<ICryptoKey>& out) noexcept override {
        HCRYPTKEY k = 0;
        if (!CryptImportKey(provider_, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &k))
            return CryptoStatus::Fail(GetLastError());
        try {
            out = std::make_unique<CapiKey>(k);
        } catch (...) {
            CryptDestroyKey(k);
            return CryptoStatus::Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        return CryptoStatus::Ok();
    }

    bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept override {
        auto* h = dynamic_cast<CapiHash*>(&hash);
        auto* k = dynamic_cast<CapiKey*>(&key);
        if (h == nullptr || k == nullptr) return false;
        return CryptVerifySignatureW(h->get(), signature.data(), static_cast<DWORD>(signature.size()), k->get(),
                                     nullptr, 0) != FALSE;
    }

private:
    HCRYPTPROV provider_;
};

}  // namespace

CryptoStatus Win32Crypto::AcquireContext(CryptoProvider provider, std::unique_ptr<ICryptoContext>& out) noexcept {
    HCRYPTPROV p = 0;
    if (!CryptAcquireContextW(&p, nullptr, nullptr, static_cast<DWORD>(provider), CRYPT_VERIFYCONTEXT))
        return CryptoStatus::Fail(GetLastError());
    try {
        out = std::make_unique<CapiContext>(p);
    } catch (...) {
        CryptReleaseContext(p, 0);
        return CryptoStatus::Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return CryptoStatus::Ok();
}

}  // namespace pankor

#include "platform/win32/Win32Crypto.h"

#include "platform/win32/Win32Windows.h"

#include <wincrypt.h>

#include "base/UniqueHandle.h"
#include "platform/win32/Win32Error.h"

namespace pankor {

using win32::LastErrorFailure;
using win32::OutOfMemory;

namespace {

struct HashTraits {
    using Handle = HCRYPTHASH;
    static HCRYPTHASH Invalid() noexcept { return 0; }
    static void Close(HCRYPTHASH h) noexcept { CryptDestroyHash(h); }
};
struct KeyTraits {
    using Handle = HCRYPTKEY;
    static HCRYPTKEY Invalid() noexcept { return 0; }
    static void Close(HCRYPTKEY k) noexcept { CryptDestroyKey(k); }
};
struct ProviderTraits {
    using Handle = HCRYPTPROV;
    static HCRYPTPROV Invalid() noexcept { return 0; }
    static void Close(HCRYPTPROV p) noexcept { CryptReleaseContext(p, 0); }
};
using UniqueHash = UniqueHandle<HashTraits>;
using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueProvider = UniqueHandle<ProviderTraits>;

class CapiHash : public ICryptoHash {
public:
    explicit CapiHash(UniqueHash h) noexcept : hash_(std::move(h)) {}
    HCRYPTHASH get() const noexcept { return hash_.Get(); }

    Status HashData(ByteView data) noexcept override {
        if (data.size() > MAXDWORD) return win32::ErrorFailure(static_cast<DWORD>(NTE_BAD_LEN));
        if (!CryptHashData(hash_.Get(), data.data(), static_cast<DWORD>(data.size()), 0)) return LastErrorFailure();
        return Status::Ok();
    }
    Result<Bytes> GetValue() noexcept override {
        try {
            BYTE buffer[64];
            DWORD length = sizeof buffer;
            if (!CryptGetHashParam(hash_.Get(), HP_HASHVAL, buffer, &length, 0))
                return Result<Bytes>::From(LastErrorFailure());
            return Result<Bytes>::Of(Bytes(buffer, buffer + length));
        } catch (...) {
            return Result<Bytes>::From(OutOfMemory());
        }
    }

private:
    UniqueHash hash_;
};

class CapiKey : public ICryptoKey {
public:
    explicit CapiKey(UniqueKey k) noexcept : key_(std::move(k)) {}
    HCRYPTKEY get() const noexcept { return key_.Get(); }

private:
    UniqueKey key_;
};

class CapiContext : public ICryptoContext {
public:
    explicit CapiContext(UniqueProvider p) noexcept : provider_(std::move(p)) {}

    Result<std::unique_ptr<ICryptoHash>> CreateHash(HashAlgorithm algorithm) noexcept override {
        using R = Result<std::unique_ptr<ICryptoHash>>;
        try {
            UniqueHash h;
            if (!CryptCreateHash(provider_.Get(), static_cast<ALG_ID>(algorithm), 0, 0, h.Out()))
                return R::From(LastErrorFailure());
            return R::Of(std::make_unique<CapiHash>(std::move(h)));
        } catch (...) {
            return R::From(OutOfMemory());
        }
    }

    Result<std::unique_ptr<ICryptoKey>> ImportKey(ByteView blob) noexcept override {
        using R = Result<std::unique_ptr<ICryptoKey>>;
        try {
            if (blob.size() > MAXDWORD) return R::From(win32::ErrorFailure(static_cast<DWORD>(NTE_BAD_DATA)));
            UniqueKey k;
            if (!CryptImportKey(provider_.Get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, k.Out()))
                return R::From(LastErrorFailure());
            return R::Of(std::make_unique<CapiKey>(std::move(k)));
        } catch (...) {
            return R::From(OutOfMemory());
        }
    }

    bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept override {
        auto* h = dynamic_cast<CapiHash*>(&hash);
        auto* k = dynamic_cast<CapiKey*>(&key);
        if (h == nullptr || k == nullptr || signature.size() > MAXDWORD) return false;
        return CryptVerifySignatureW(h->get(), signature.data(), static_cast<DWORD>(signature.size()), k->get(),
                                     nullptr, 0) != FALSE;
    }

private:
    UniqueProvider provider_;
};

}  // namespace

Result<std::unique_ptr<ICryptoContext>> Win32Crypto::AcquireContext(CryptoProvider provider) noexcept {
    using R = Result<std::unique_ptr<ICryptoContext>>;
    try {
        UniqueProvider p;
        if (!CryptAcquireContextW(p.Out(), nullptr, nullptr, static_cast<DWORD>(provider), CRYPT_VERIFYCONTEXT))
            return R::From(LastErrorFailure());
        return R::Of(std::make_unique<CapiContext>(std::move(p)));
    } catch (...) {
        return R::From(OutOfMemory());
    }
}

}  // namespace pankor

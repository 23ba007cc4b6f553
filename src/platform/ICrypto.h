#pragma once
// The platform's cryptographic service, shaped like the provider / hash / key
// objects the trust module drives, so the core chooses providers and
// algorithms, keeps the order of calls and writes every failure line itself.
#include <cstdint>
#include <memory>
#include <span>

#include "Result.h"

namespace pankor {

using ByteView = std::span<const std::uint8_t>;

enum class CryptoProvider : unsigned { RsaFull = 1, RsaAes = 24 };
enum class HashAlgorithm : unsigned { Md5 = 0x8003, Sha256 = 0x800C };

// A failed call carries the system's error code.
struct CryptoStatus {
    bool ok = true;
    unsigned long error = 0;
    static CryptoStatus Ok() { return {}; }
    static CryptoStatus Fail(unsigned long code) { return {false, code}; }
};

class ICryptoHash {
public:
    virtual ~ICryptoHash() = default;  // destroys the hash object
    virtual CryptoStatus HashData(ByteView data) noexcept = 0;
    // The digest; afterwards the hash takes no more data.
    virtual CryptoStatus GetValue(Bytes& digest) noexcept = 0;
};

class ICryptoKey {
public:
    virtual ~ICryptoKey() = default;  // destroys the key
};

class ICryptoContext {
public:
    virtual ~ICryptoContext() = default;  // releases the context
    virtual CryptoStatus CreateHash(HashAlgorithm algorithm, std::unique_ptr<ICryptoHash>& out) noexcept = 0;
    // A public key in the RSA PUBLICKEYBLOB layout (276 bytes for RSA-2048).
    virtual CryptoStatus ImportKey(ByteView blob, std::unique_ptr<ICryptoKey>& out) noexcept = 0;
    // PKCS #1 v1.5 check of the hashed data; the signature comes least
    // significant byte first. A signature that does not match is no failure.
    virtual bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept = 0;
};

class ICrypto {
public:
    virtual ~ICrypto() = default;
    // A verify-only context (no key container) of the given provider type.
    virtual CryptoStatus AcquireContext(CryptoProvider provider, std::unique_ptr<ICryptoContext>& out) noexcept = 0;
};

}  // namespace pankor

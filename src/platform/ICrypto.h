#pragma once
// The platform's cryptographic service, shaped like the provider / hash / key
// objects the trust module drives, so the core chooses providers and
// algorithms, keeps the order of calls and writes every failure line itself.
#include <cstdint>
#include <memory>

#include "base/Result.h"

namespace pankor {

enum class CryptoProvider : unsigned { RsaFull = 1, RsaAes = 24 };
enum class HashAlgorithm : unsigned { Md5 = 0x8003, Sha256 = 0x800C };

class ICryptoHash {
public:
    virtual ~ICryptoHash() = default;  // destroys the hash object
    // Failures carry the system's error code.
    virtual Status HashData(ByteView data) noexcept = 0;
    // The digest; afterwards the hash takes no more data.
    virtual Result<Bytes> GetValue() noexcept = 0;
};

class ICryptoKey {
public:
    virtual ~ICryptoKey() = default;  // destroys the key
};

class ICryptoContext {
public:
    virtual ~ICryptoContext() = default;  // releases the context
    virtual Result<std::unique_ptr<ICryptoHash>> CreateHash(HashAlgorithm algorithm) noexcept = 0;
    // A public key in the RSA PUBLICKEYBLOB layout (276 bytes for RSA-2048).
    virtual Result<std::unique_ptr<ICryptoKey>> ImportKey(ByteView blob) noexcept = 0;
    // PKCS #1 v1.5 check of the hashed data; the signature comes least
    // significant byte first. A signature that does not match is no failure.
    virtual bool VerifySignature(ICryptoHash& hash, ByteView signature, ICryptoKey& key) noexcept = 0;
};

class ICrypto {
public:
    virtual ~ICrypto() = default;
    // A verify-only context (no key container) of the given provider type.
    virtual Result<std::unique_ptr<ICryptoContext>> AcquireContext(CryptoProvider provider) noexcept = 0;
};

}  // namespace pankor

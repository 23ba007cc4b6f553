#pragma once
#include "platform/ICrypto.h"

namespace pankor {

// The cryptographic service on OpenSSL: both provider types offer SHA-256 and
// MD5, and RSA public keys are read from the same blob layout Windows uses.
class LinuxCrypto : public ICrypto {
public:
    Result<std::unique_ptr<ICryptoContext>> AcquireContext(CryptoProvider provider) noexcept override;
};

}  // namespace pankor

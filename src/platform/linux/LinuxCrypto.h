#pragma once
#include "platform/ICrypto.h"

namespace pankor {

// The cryptographic service on OpenSSL: both provider types offer SHA-256 and
// MD5, and RSA public keys are read from the same blob layout Windows uses.
class LinuxCrypto : public ICrypto {
public:
    CryptoStatus AcquireContext(CryptoProvider provider, std::unique_ptr<ICryptoContext>& out) noexcept override;
};

}  // namespace pankor

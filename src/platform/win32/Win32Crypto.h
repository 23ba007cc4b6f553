#pragma once
#include "platform/ICrypto.h"

namespace pankor {

// The cryptographic service on CryptoAPI: verify-only provider contexts,
// hash objects and imported public-key blobs, exactly as the core drives them.
class Win32Crypto : public ICrypto {
public:
    CryptoStatus AcquireContext(CryptoProvider provider, std::unique_ptr<ICryptoContext>& out) noexcept override;
};

}  // namespace pankor

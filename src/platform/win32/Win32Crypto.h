#pragma once
#include "platform/ICrypto.h"

namespace pankor {

// The cryptographic service on CryptoAPI: verify-only provider contexts,
// hash objects and imported public-key blobs, exactly as the core drives them.
// Failures carry GetLastError's code.
class Win32Crypto : public ICrypto {
public:
    Result<std::unique_ptr<ICryptoContext>> AcquireContext(CryptoProvider provider) noexcept override;
};

}  // namespace pankor

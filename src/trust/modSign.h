#pragma once
// Whether a downloaded catalog may be trusted: an RSA-2048 PKCS #1 v1.5 /
// SHA-256 signature over its exact bytes, checked against the signing key and,
// failing that, the recovery key.
#include <string>
#include <string_view>

#include "core/modFile.h"
#include "platform/ICrypto.h"
#include "startup/Log.h"

namespace pankor {

class modSign {
public:
    modSign(ICrypto& crypto, const IFileSystem& fs, const modFile& file, const Log& log) noexcept;

    bool VerifyCatalogSig(ByteView catalog, std::string_view signatureText) noexcept;
    // signature: already reversed (least significant byte first).
    bool VerifyWithKey(ByteView catalog, ByteView signature, std::string_view keyHex) noexcept;
    // "/testsig <path>": checks the file against "<path>.sig" four ways.
    void SigSelfTest(std::string_view commandLine) noexcept;

    // The public key blobs (552 hex characters each); the built-in ones
    // unless a tool gives others.
    std::string SigningKeyHex;
    std::string RecoveryKeyHex;

private:
    ICrypto& crypto_;
    const IFileSystem& fs_;
    const modFile& file_;
    const Log& log_;
};

void ReverseBytes(Bytes& bytes) noexcept;

}  // namespace pankor

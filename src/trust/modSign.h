#pragma once
// Whether a downloaded catalog may be trusted: an RSA-2048 PKCS #1 v1.5 /
// SHA-256 signature over its exact bytes, checked against the signing key and,
// failing that, the recovery key.
#include <string>
#include <string_view>

#include "platform/ICrypto.h"

namespace pankor {

class Pankor;

class modSign {
public:
    explicit modSign(Pankor& app) noexcept;

    bool VerifyCatalogSig(ByteView catalog, std::string_view signatureText) noexcept;
    // signature: already reversed (least significant byte first).
    bool VerifyWithKey(ByteView catalog, ByteView signature, std::string_view keyHex) noexcept;
    // "/testsig <path>": checks the file against "<path>.sig" four ways.
    void SigSelfTest() noexcept;

    // The public key blobs (552 hex characters each); the built-in ones
    // unless a tool gives others.
    std::string SigningKeyHex;
    std::string RecoveryKeyHex;

private:
    Pankor& app_;
};

bool HexToBytes(std::string_view text, Bytes& out);
int HexNibble(char c) noexcept;
std::string TrimWhite(std::string_view text);
bool IsWhite(char c) noexcept;
void ReverseBytes(Bytes& bytes) noexcept;

}  // namespace pankor

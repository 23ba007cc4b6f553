#pragma once
// A publisher on the fake platform: serves a catalog whose signature the
// fake crypto service accepts for the signing key the app is given.
#include <string>

#include "FakePlatform.h"
#include "trust/modSign.h"

namespace pankor::testing {

inline void TrustTestKeys(modSign& sign) {
    sign.SigningKeyHex = std::string(552, 'a');
    sign.RecoveryKeyHex = std::string(552, 'b');
}

inline void PublishCatalog(fakes::FakePlatform& fake, const std::string& base, const std::string& text) {
    Bytes sig(256);
    for (std::size_t i = 0; i < sig.size(); ++i) sig[i] = static_cast<std::uint8_t>(text.size() + i);
    std::string hex;
    static const char* d = "0123456789abcdef";
    for (auto b : sig) hex += {d[b >> 4], d[b & 15]};
    fake.crypto.validSignatures.insert(
        {Bytes(276, 0xAA), Bytes(text.begin(), text.end()), Bytes(sig.rbegin(), sig.rend())});
    fake.http.Serve(base + "/pankor/catalog.json", text);
    fake.http.Serve(base + "/pankor/catalog.json.sig", hex + "\r\n");
}

}  // namespace pankor::testing

#include "trust/modSign.h"

#include <algorithm>

#include "core/Text.h"
#include "startup/Pankor.h"
#include "trust/TrustKeys.h"
#include "trust/modHash.h"

namespace pankor {

namespace {
constexpr std::size_t kSignatureBytes = 256;
}

modSign::modSign(Pankor& app) noexcept : SigningKeyHex(kSigningKeyHex), RecoveryKeyHex(kRecoveryKeyHex), app_(app) {}

bool modSign::VerifyCatalogSig(ByteView catalog, std::string_view signatureText) noexcept {
    try {
        const std::string trimmed = TrimWhite(signatureText);
        if (trimmed.empty()) {
            app_.main.DebugLog("SIG: refused, no signature supplied");
            return false;
        }
        Bytes signature;
        if (!HexToBytes(trimmed, signature)) {
            app_.main.DebugLog("SIG: refused, signature is not clean hex");
            return false;
        }
        if (signature.size() != kSignatureBytes) {
            app_.main.DebugLog("SIG: refused, signature is " + std::to_string(signature.size()) + " bytes, want " +
                               std::to_string(kSignatureBytes));
            return false;
        }
        ReverseBytes(signature);  // the platform wants the least significant byte first
        if (VerifyWithKey(catalog, signature, SigningKeyHex)) {
            app_.main.DebugLog("SIG: ok (signing key)");
            return true;
        }
        if (VerifyWithKey(catalog, signature, RecoveryKeyHex)) {
            app_.main.DebugLog("SIG: ok (RECOVERY key) - the signing key is not the one publishing");
            return true;
        }
        app_.main.DebugLog("SIG: REFUSED, verifies against neither key");
    } catch (const std::exception& e) {
        app_.main.DebugLog(std::string("SIG: refused, error 0 ") + e.what());
    } catch (...) {
        app_.main.DebugLog("SIG: refused, error 0 unknown error");
    }
    return false;
}

bool modSign::VerifyWithKey(ByteView catalog, ByteView signature, std::string_view keyHex) noexcept {
    try {
        Bytes blob;
        if (!HexToBytes(keyHex, blob)) {
            app_.main.DebugLog("SIG: key blob is not clean hex - this is a build error, not an attack");
            return false;
        }
        // Declared in this order so they are released hash, key, context.
        std::unique_ptr<ICryptoContext> context;
        std::unique_ptr<ICryptoKey> key;
        std::unique_ptr<ICryptoHash> hash;
        if (const CryptoStatus s = app_.platform.crypto.AcquireContext(CryptoProvider::RsaAes, context); !s.ok) {
            app_.main.DebugLog("SIG: CryptAcquireContext failed, err=" + std::to_string(s.error));
            return false;
        }
        if (const CryptoStatus s = context->ImportKey(blob, key); !s.ok) {
            app_.main.DebugLog("SIG: CryptImportKey failed, err=&H" + UpperHex(s.error));
            return false;
        }
        if (const CryptoStatus s = context->CreateHash(HashAlgorithm::Sha256, hash); !s.ok) {
            app_.main.DebugLog("SIG: CryptCreateHash failed, err=&H" + UpperHex(s.error));
            return false;
        }
        if (catalog.empty()) return false;
        if (const CryptoStatus s = hash->HashData(catalog); !s.ok) {
            app_.main.DebugLog("SIG: CryptHashData failed, err=&H" + UpperHex(s.error));
            return false;
        }
        return context->VerifySignature(*hash, signature, *key);
    } catch (...) {
        return false;
    }
}

void modSign::SigSelfTest() noexcept {
    try {
        const std::string line = app_.platform.system.CommandLine();
        const std::size_t at = FindNoCase(line, "/testsig");
        if (at == std::string::npos) return;
        std::string path(TrimSpaces(line.substr(at + 8)));
        std::erase(path, '"');
        if (path.empty()) {
            app_.main.DebugLog("SIGTEST: no file given");
            return;
        }
        if (!app_.file.FileExists(path)) {
            app_.main.DebugLog("SIGTEST: no such file " + path);
            return;
        }
        const std::string sigPath = path + ".sig";
        if (!app_.file.FileExists(sigPath)) {
            app_.main.DebugLog("SIGTEST: no signature at " + sigPath);
            return;
        }
        Result<Bytes> data = app_.platform.fs.ReadFile(path);
        const Result<Bytes> sigFile = app_.platform.fs.ReadFile(sigPath);
        if (!data.ok() || !sigFile.ok()) return;
        const std::string sigText(sigFile.value->begin(), sigFile.value->end());
        const std::vector<std::string_view> sigLines = SplitLines(sigText);
        const std::string signature = TrimWhite(sigLines.empty() ? std::string_view() : sigLines.front());
        Bytes& bytes = *data.value;
        app_.main.DebugLog("SIGTEST: " + path + " (" + std::to_string(bytes.size()) + " bytes), sig " +
                           std::to_string(signature.size()) + " hex chars");

        auto verdict = [&](const char* label, std::string_view sig, const char* want) {
            const bool ok = VerifyCatalogSig(bytes, sig);
            app_.main.DebugLog(std::string("SIGTEST: ") + label + " -> " + (ok ? "True" : "False") + "   (want " +
                               want + ")");
        };
        verdict("intact  ", signature, "True");
        if (!bytes.empty()) bytes[0] ^= 1;
        verdict("tampered", signature, "False");
        if (!bytes.empty()) bytes[0] ^= 1;
        verdict("truncated sig", std::string_view(signature).substr(0, signature.size() >= 2 ? signature.size() - 2 : 0),
                "False");
        verdict("empty sig    ", "", "False");
    } catch (...) {
    }
}

bool HexToBytes(std::string_view text, Bytes& out) {
    text = TrimSpaces(text);
    if (text.empty() || text.size() % 2 != 0) return false;
    Bytes bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int hi = HexNibble(text[2 * i]);
        const int lo = HexNibble(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    out = std::move(bytes);
    return true;
}

int HexNibble(char c) noexcept {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsWhite(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimWhite(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsWhite(text[first])) ++first;
    while (last > first && IsWhite(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

void ReverseBytes(Bytes& bytes) noexcept { std::reverse(bytes.begin(), bytes.end()); }

}  // namespace pankor

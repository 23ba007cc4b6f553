#include "trust/modSign.h"

#include <algorithm>

#include "base/Hex.h"
#include "base/Switches.h"
#include "base/Text.h"
#include "trust/TrustKeys.h"

namespace pankor {

namespace {
constexpr std::size_t kSignatureBytes = 256;
}

modSign::modSign(ICrypto& crypto, const IFileSystem& fs, const modFile& file, const Log& log) noexcept
    : SigningKeyHex(kSigningKeyHex),
      RecoveryKeyHex(kRecoveryKeyHex),
      crypto_(crypto),
      fs_(fs),
      file_(file),
      log_(log) {}

bool modSign::VerifyCatalogSig(ByteView catalog, std::string_view signatureText) noexcept {
    // No error number exists for a C++ error: the line shows 0.
    return log_.Guard("SIG: refused, error 0 ", false, [&] {
        const std::string_view trimmed = TrimWhite(signatureText);
        if (trimmed.empty()) {
            log_.DebugLog("SIG: refused, no signature supplied");
            return false;
        }
        Bytes signature;
        if (!HexToBytes(trimmed, signature)) {
            log_.DebugLog("SIG: refused, signature is not clean hex");
            return false;
        }
        if (signature.size() != kSignatureBytes) {
            log_.DebugLog("SIG: refused, signature is " + std::to_string(signature.size()) + " bytes, want " +
                          std::to_string(kSignatureBytes));
            return false;
        }
        ReverseBytes(signature);  // the platform wants the least significant byte first
        if (VerifyWithKey(catalog, signature, SigningKeyHex)) {
            log_.DebugLog("SIG: ok (signing key)");
            return true;
        }
        if (VerifyWithKey(catalog, signature, RecoveryKeyHex)) {
            log_.DebugLog("SIG: ok (RECOVERY key) - the signing key is not the one publishing");
            return true;
        }
        log_.DebugLog("SIG: REFUSED, verifies against neither key");
        return false;
    });
}

bool modSign::VerifyWithKey(ByteView catalog, ByteView signature, std::string_view keyHex) noexcept {
    return log_.Guard("SIG: refused, error 0 ", false, [&] {
        Bytes blob;
        if (!HexToBytes(keyHex, blob)) {
            log_.DebugLog("SIG: key blob is not clean hex - this is a build error, not an attack");
            return false;
        }
        // Declared in this order so they are released hash, key, context.
        Result<std::unique_ptr<ICryptoContext>> context = crypto_.AcquireContext(CryptoProvider::RsaAes);
        if (!context.ok()) {
            log_.DebugLog("SIG: CryptAcquireContext failed, err=" + std::to_string(context.code()));
            return false;
        }
        Result<std::unique_ptr<ICryptoKey>> key = (*context)->ImportKey(blob);
        if (!key.ok()) {
            log_.DebugLog("SIG: CryptImportKey failed, err=&H" + UpperHex(key.code()));
            return false;
        }
        Result<std::unique_ptr<ICryptoHash>> hash = (*context)->CreateHash(HashAlgorithm::Sha256);
        if (!hash.ok()) {
            log_.DebugLog("SIG: CryptCreateHash failed, err=&H" + UpperHex(hash.code()));
            return false;
        }
        if (catalog.empty()) return false;
        if (const Status s = (*hash)->HashData(catalog); !s.ok()) {
            log_.DebugLog("SIG: CryptHashData failed, err=&H" + UpperHex(s.code()));
            return false;
        }
        return (*context)->VerifySignature(**hash, signature, **key);
    });
}

void modSign::SigSelfTest(std::string_view commandLine) noexcept {
    log_.Guard("SIGTEST failed: ", [&] {
        const std::optional<std::string> path = SwitchRest(commandLine, "/testsig");
        if (!path) return;
        if (path->empty()) {
            log_.DebugLog("SIGTEST: no file given");
            return;
        }
        if (!file_.FileExists(*path)) {
            log_.DebugLog("SIGTEST: no such file " + *path);
            return;
        }
        const std::string sigPath = *path + ".sig";
        if (!file_.FileExists(sigPath)) {
            log_.DebugLog("SIGTEST: no signature at " + sigPath);
            return;
        }
        Result<Bytes> data = fs_.ReadFile(*path);
        const Result<Bytes> sigFile = fs_.ReadFile(sigPath);
        if (!data.ok() || !sigFile.ok()) return;
        const std::string sigText(sigFile->begin(), sigFile->end());
        const std::vector<std::string_view> sigLines = SplitLines(sigText);
        const std::string signature(TrimWhite(sigLines.empty() ? std::string_view() : sigLines.front()));
        Bytes& bytes = *data;
        log_.DebugLog("SIGTEST: " + *path + " (" + std::to_string(bytes.size()) + " bytes), sig " +
                      std::to_string(signature.size()) + " hex chars");

        auto verdict = [&](const char* label, std::string_view sig, const char* want) {
            const bool ok = VerifyCatalogSig(bytes, sig);
            log_.DebugLog(std::string("SIGTEST: ") + label + " -> " + (ok ? "True" : "False") + "   (want " + want +
                          ")");
        };
        verdict("intact  ", signature, "True");
        if (!bytes.empty()) bytes[0] ^= 1;
        verdict("tampered", signature, "False");
        if (!bytes.empty()) bytes[0] ^= 1;
        verdict("truncated sig",
                std::string_view(signature).substr(0, signature.size() >= 2 ? signature.size() - 2 : 0), "False");
        verdict("empty sig    ", "", "False");
    });
}

void ReverseBytes(Bytes& bytes) noexcept { std::reverse(bytes.begin(), bytes.end()); }

}  // namespace pankor

#include "trust/modHash.h"

#include "base/Hex.h"
#include "base/Text.h"

namespace pankor {

std::string modHash::KeyedHash(ByteView data, std::string_view key) noexcept {
    return log_.Guard("KeyedHash failed: ", std::string(), [&]() -> std::string {
        const std::string keyText = system_.ToNativeText(std::string(key));
        const ByteView keyBytes(reinterpret_cast<const std::uint8_t*>(keyText.data()), keyText.size());
        HashAlgorithm algorithm = HashAlgorithm::Sha256;

        Result<std::unique_ptr<ICryptoContext>> context = crypto_.AcquireContext(CryptoProvider::RsaAes);
        if (!context.ok()) {
            log_.DebugLog("CryptAcquireContext(AES) failed, err=" + std::to_string(context.code()));
            algorithm = HashAlgorithm::Md5;
            context = crypto_.AcquireContext(CryptoProvider::RsaFull);
            if (!context.ok()) {
                log_.DebugLog("CryptAcquireContext(FULL) failed too, err=" + std::to_string(context.code()));
                return {};
            }
        }

        Result<std::unique_ptr<ICryptoHash>> hash = (*context)->CreateHash(algorithm);
        if (!hash.ok()) {
            log_.DebugLog("CryptCreateHash(alg=&H" + UpperHex(static_cast<unsigned>(algorithm)) +
                          ") failed, err=" + std::to_string(hash.code()));
            hash = (*context)->CreateHash(HashAlgorithm::Md5);
            if (!hash.ok()) {
                log_.DebugLog("CryptCreateHash(MD5) failed too, err=" + std::to_string(hash.code()));
                return {};
            }
        }

        // The envelope: key, data, key. An empty part is not fed at all.
        for (ByteView part : {keyBytes, data, keyBytes})
            if (!part.empty()) (void)(*hash)->HashData(part);  // a failed feed shows as a failed digest

        const Result<Bytes> digest = (*hash)->GetValue();
        if (!digest.ok()) {
            log_.DebugLog("CryptGetHashParam failed, err=" + std::to_string(digest.code()));
            return {};
        }
        return ToLowerHex(*digest);
    });
}

bool HashEquals(std::string_view a, std::string_view b) noexcept {
    a = TrimSpaces(a);
    b = TrimSpaces(b);
    if (a.empty() || b.empty() || a.size() != b.size()) return false;
    unsigned diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned>(static_cast<unsigned char>(LowerAscii(a[i])) ^
                                      static_cast<unsigned char>(LowerAscii(b[i])));
    return diff == 0;
}

}  // namespace pankor

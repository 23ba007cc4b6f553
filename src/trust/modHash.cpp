#include "trust/modHash.h"

#include "core/Text.h"
#include "startup/Pankor.h"

namespace pankor {

std::string ToLowerHex(ByteView bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

std::string UpperHex(unsigned long value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

std::string modHash::KeyedHash(ByteView data, std::string_view key) noexcept {
    try {
        const std::string keyText = app_.platform.system.ToNativeText(std::string(key));
        const ByteView keyBytes(reinterpret_cast<const std::uint8_t*>(keyText.data()), keyText.size());
        HashAlgorithm algorithm = HashAlgorithm::Sha256;

        std::unique_ptr<ICryptoContext> context;
        if (const CryptoStatus s = app_.platform.crypto.AcquireContext(CryptoProvider::RsaAes, context); !s.ok) {
            app_.main.DebugLog("CryptAcquireContext(AES) failed, err=" + std::to_string(s.error));
            algorithm = HashAlgorithm::Md5;
            if (const CryptoStatus f = app_.platform.crypto.AcquireContext(CryptoProvider::RsaFull, context); !f.ok) {
                app_.main.DebugLog("CryptAcquireContext(FULL) failed too, err=" + std::to_string(f.error));
                return {};
            }
        }

        std::unique_ptr<ICryptoHash> hash;
        if (const CryptoStatus s = context->CreateHash(algorithm, hash); !s.ok) {
            app_.main.DebugLog("CryptCreateHash(alg=&H" + UpperHex(static_cast<unsigned>(algorithm)) +
                               ") failed, err=" + std::to_string(s.error));
            if (const CryptoStatus f = context->CreateHash(HashAlgorithm::Md5, hash); !f.ok) {
                app_.main.DebugLog("CryptCreateHash(MD5) failed too, err=" + std::to_string(f.error));
                return {};
            }
        }

        // The envelope: key, data, key. An empty part is not fed at all.
        for (ByteView part : {keyBytes, data, keyBytes})
            if (!part.empty()) hash->HashData(part);

        Bytes digest;
        if (const CryptoStatus s = hash->GetValue(digest); !s.ok) {
            app_.main.DebugLog("CryptGetHashParam failed, err=" + std::to_string(s.error));
            return {};
        }
        return ToLowerHex(digest);
    } catch (const std::exception& e) {
        app_.main.DebugLog(std::string("KeyedHash failed: ") + e.what());
        return {};
    } catch (...) {
        app_.main.DebugLog("KeyedHash failed: unknown error");
        return {};
    }
}

bool HashEquals(std::string_view a, std::string_view b) noexcept {
    a = TrimSpaces(a);
    b = TrimSpaces(b);
    if (a.empty() || b.empty() || a.size() != b.size()) return false;
    unsigned diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i]);
        const auto y = static_cast<unsigned char>(b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i]);
        diff |= static_cast<unsigned>(x ^ y);
    }
    return diff == 0;
}

}  // namespace pankor

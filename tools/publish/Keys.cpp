// keygen and sign: the private half lives only here, on OpenSSL.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "Publish.h"
#include "base/Hex.h"

namespace pankor::publish {

namespace {

constexpr const char* kKeygenUsage =
    "usage: pankor-publish keygen DIR [--name NAME]\n"
    "  Makes an RSA-2048 key pair: DIR/NAME.private.pem (keep it secret) and\n"
    "  DIR/NAME.pub.hex, the 552-hex-character public blob a build embeds.\n"
    "  DIR is made when it does not exist yet.\n"
    "  NAME defaults to 'signing'. Existing files are never overwritten.\n";

constexpr const char* kSignUsage =
    "usage: pankor-publish sign CATALOG --key PRIVATE.pem\n"
    "  Signs the exact bytes of CATALOG (RSA PKCS#1 v1.5, SHA-256) and writes\n"
    "  CATALOG.sig: 512 hex digits, most significant byte first.\n";

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

std::string OpenSslMessage() {
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (e == 0) return "unknown OpenSSL error";
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    return buf;
}

// The public half in the Windows PUBLICKEYBLOB layout the manager imports.
bool PublicBlob(EVP_PKEY* key, std::string& hex) {
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    if (EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n) != 1 ||
        EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e) != 1) {
        BN_free(n);
        BN_free(e);
        return false;
    }
    const int bits = EVP_PKEY_get_bits(key);
    Bytes blob = {0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00, 'R', 'S', 'A', '1'};
    for (int i = 0; i < 4; ++i) blob.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    const BN_ULONG exponent = BN_get_word(e);
    for (int i = 0; i < 4; ++i) blob.push_back(static_cast<std::uint8_t>(exponent >> (8 * i)));
    Bytes modulus(static_cast<std::size_t>(bits / 8));
    const bool ok = BN_bn2binpad(n, modulus.data(), static_cast<int>(modulus.size())) > 0;
    std::reverse(modulus.begin(), modulus.end());
    blob.insert(blob.end(), modulus.begin(), modulus.end());
    BN_free(n);
    BN_free(e);
    hex = ToLowerHex(blob);
    return ok;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

int Keygen(const Args& args) {
    if (WantsHelp(args)) return Help(kKeygenUsage);
    std::string dir, name = "signing";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--name" && i + 1 < args.size())
            name = args[++i];
        else if (dir.empty() && args[i].rfind("--", 0) != 0)
            dir = args[i];
        else
            return Usage(kKeygenUsage);
    }
    if (dir.empty() || name.empty()) return Usage(kKeygenUsage);
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return Fail("not a folder: " + dir);
    } else {
        // A new publisher's first keys: the folder is made, for its owner only.
        const mode_t old = umask(077);
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        umask(old);
        if (ec) return Fail("cannot make the folder " + dir + ": " + ec.message());
    }
    const std::string privatePath = dir + "/" + name + ".private.pem", publicPath = dir + "/" + name + ".pub.hex";
    if (Exists(privatePath) || Exists(publicPath))
        return Fail("refusing to overwrite " + privatePath + " or " + publicPath);

    Pkey key(EVP_RSA_gen(2048));
    if (!key) return Fail("key generation failed: " + OpenSslMessage());
    std::string hex;
    if (!PublicBlob(key.get(), hex)) return Fail("could not write the public blob: " + OpenSslMessage());

    const mode_t old = umask(077);  // the private key is for its owner only
    FILE* f = std::fopen(privatePath.c_str(), "wb");
    umask(old);
    if (f == nullptr) return Fail("cannot write " + privatePath);
    const bool written = PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    if (std::fclose(f) != 0 || !written) return Fail("cannot write " + privatePath);
    if (!WriteWholeFile(publicPath, hex + "\n")) return Fail("cannot write " + publicPath);
    std::printf("private key: %s\npublic blob: %s (%zu hex characters)\n", privatePath.c_str(), publicPath.c_str(),
                hex.size());
    return 0;
}

int Sign(const Args& args) {
    if (WantsHelp(args)) return Help(kSignUsage);
    std::string catalog, keyPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--key" && i + 1 < args.size())
            keyPath = args[++i];
        else if (catalog.empty() && args[i].rfind("--", 0) != 0)
            catalog = args[i];
        else
            return Usage(kSignUsage);
    }
    if (catalog.empty() || keyPath.empty()) return Usage(kSignUsage);
    std::string data;
    if (!ReadWholeFile(catalog, data)) return Fail("cannot read " + catalog);
    if (data.empty()) return Fail(catalog + " is empty: the manager never accepts an empty catalog");

    FILE* f = std::fopen(keyPath.c_str(), "rb");
    if (f == nullptr) return Fail("cannot read " + keyPath);
    Pkey key(PEM_read_PrivateKey(f, nullptr, nullptr, nullptr));
    std::fclose(f);
    if (!key) return Fail(keyPath + " is not a private key in PEM form: " + OpenSslMessage());
    if (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key.get()) != 2048)
        return Fail(keyPath + " is not an RSA-2048 key");

    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    Bytes signature(256);
    std::size_t length = signature.size();
    const bool ok = ctx != nullptr && EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                    EVP_DigestSign(ctx, signature.data(), &length, reinterpret_cast<const unsigned char*>(data.data()),
                                   data.size()) == 1;
    EVP_MD_CTX_free(ctx);
    if (!ok || length != 256) return Fail("signing failed: " + OpenSslMessage());
    const std::string sigPath = catalog + ".sig";
    if (!WriteWholeFile(sigPath, ToLowerHex(signature) + "\n")) return Fail("cannot write " + sigPath);
    std::printf("signed %s (%zu bytes) -> %s\n", catalog.c_str(), data.size(), sigPath.c_str());
    return 0;
}

}  // namespace pankor::publish

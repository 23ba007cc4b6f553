// The trust module against bare OpenSSL on the same data, in one run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "base/Hex.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"
#include "trust/modHash.h"
#include "trust/modSign.h"

using namespace pankor;

namespace {

Bytes RandomBytes(std::size_t n) {
    Bytes b(n);
    std::mt19937_64 rng(42);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

const Bytes& Data64MiB() {
    static const Bytes data = RandomBytes(64u << 20);
    return data;
}

struct SignedCatalog {
    Bytes catalog;
    Bytes signature;  // most significant byte first
    std::string hex;
    EVP_PKEY* key = nullptr;
};

const SignedCatalog& Catalog1MB() {
    static const SignedCatalog c = [] {
        SignedCatalog s;
        std::string text = "{\"serial\":1,\"apps\":[";
        while (text.size() < (1u << 20)) text += "{\"slug\":\"app\",\"name\":\"An app\",\"latest\":\"1.0.0.1\"},";
        text += "{}]}";
        s.catalog.assign(text.begin(), text.end());
        FILE* f = std::fopen(PANKOR_SOURCE_DIR "/keys/dev/development-signing.private.pem", "rb");
        s.key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
        std::fclose(f);
        s.signature.resize(256);
        std::size_t len = 256;
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, s.key);
        EVP_DigestSign(ctx, s.signature.data(), &len, s.catalog.data(), s.catalog.size());
        EVP_MD_CTX_free(ctx);
        s.hex = ToLowerHex(s.signature);
        return s;
    }();
    return c;
}

void KeyedHash64MiB(benchmark::State& state) {
    NativePlatform native;
    Pankor app(native.Get());
    for (auto _ : state) benchmark::DoNotOptimize(app.hash.KeyedHash(Data64MiB(), kInstallerHashKey));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Data64MiB().size()));
}

void OpenSslSha256_64MiB(benchmark::State& state) {
    unsigned char digest[32];
    for (auto _ : state) {
        EVP_Digest(Data64MiB().data(), Data64MiB().size(), digest, nullptr, EVP_sha256(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Data64MiB().size()));
}

void VerifyCatalogSig1MB(benchmark::State& state) {
    NativePlatform native;
    Pankor app(native.Get());
    const SignedCatalog& c = Catalog1MB();
    for (auto _ : state)
        if (!app.sign.VerifyCatalogSig(c.catalog, c.hex)) state.SkipWithError("did not verify");
}

void OpenSslVerify1MB(benchmark::State& state) {
    const SignedCatalog& c = Catalog1MB();
    for (auto _ : state) {
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        const bool ok =
            EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, c.key) == 1 &&
            EVP_DigestVerify(ctx, c.signature.data(), c.signature.size(), c.catalog.data(), c.catalog.size()) == 1;
        EVP_MD_CTX_free(ctx);
        if (!ok) state.SkipWithError("did not verify");
    }
}

}  // namespace

BENCHMARK(KeyedHash64MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSslSha256_64MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(VerifyCatalogSig1MB)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSslVerify1MB)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();

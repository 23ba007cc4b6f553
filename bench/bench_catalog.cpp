// The catalog pipeline and the JSON reader against references, in one run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <simdjson.h>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/Hex.h"
#include "platform/Platform.h"
#include "startup/Pankor.h"
#include "trust/modHash.h"

using namespace pankor;

namespace {

std::string CatalogText(int apps) {
    std::string t = "{\"serial\":7,\"apps\":[";
    for (int i = 0; i < apps; ++i) {
        if (i) t += ',';
        const std::string n = std::to_string(i);
        t += "{\"slug\":\"app-" + n + "\",\"name\":\"App \\\"" + n + "\\\"\",\"desc\":\"A useful app, number " + n +
             ", with caf\\u00e9 text.\",\"exe\":\"Tarnwick\\\\App" + n + "\\\\app" + n + ".exe\",\"latest\":\"1.2.3." +
             n + "\",\"page\":\"https://tarnwick.test/app-" + n + "/\",\"url\":\"https://dl.tarnwick.test/app-" + n +
             ".exe\",\"headline\":\"Headline " + n + "\",\"notes\":\"https://tarnwick.test/notes/" + n +
             "\",\"sha\":\"" + std::string(64, 'a') + "\"}";
    }
    return t + "],\"skins\":[{\"name\":\"Midnight\",\"forApp\":\"app-1\"}],\"pankor\":{\"version\":\"1.0.0.2\"}}";
}

std::string Sign(const std::string& text) {
    FILE* f = std::fopen(PANKOR_SOURCE_DIR "/keys/dev/development-signing.private.pem", "rb");
    EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    Bytes sig(256);
    std::size_t len = sig.size();
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, key);
    EVP_DigestSign(ctx, sig.data(), &len, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(key);
    return ToLowerHex(sig);
}

// Verify, decode, parse, fill the model and build the rows, as a load does
// once the bytes have arrived.
void Pipeline(benchmark::State& state) {
    const std::string text = CatalogText(static_cast<int>(state.range(0)));
    const std::string sig = Sign(text);
    const Bytes bytes(text.begin(), text.end());
    setenv("APPDATA", "/nonexistent-pankor-bench", 1);
    NativePlatform native;
    Pankor app(native.Get());
    for (auto _ : state) {
        if (!app.sign.VerifyCatalogSig(bytes, sig)) state.SkipWithError("not verified");
        const JsonValue root = app.json.JsonParseObject(BytesToUtf8(bytes));
        ParseCatalog(root, app.catalog);
        app.catalog.RefreshInstalled();
        benchmark::DoNotOptimize(app.catalog.AppsJson());
    }
    state.SetComplexityN(state.range(0));
}

const std::string& OneMegabyte() {
    static const std::string doc = [] {
        std::string t = CatalogText(2600);
        return t;
    }();
    return doc;
}

void JsonReader(benchmark::State& state) {
    modJson json;
    for (auto _ : state) benchmark::DoNotOptimize(json.JsonParse(OneMegabyte()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * OneMegabyte().size()));
}

void Nlohmann(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(OneMegabyte()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * OneMegabyte().size()));
}

void Simdjson(benchmark::State& state) {
    simdjson::dom::parser parser;
    const simdjson::padded_string padded(OneMegabyte());
    for (auto _ : state) benchmark::DoNotOptimize(parser.parse(padded).error());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * OneMegabyte().size()));
}

// Rows for 30 apps with a fresh process snapshot, beside ~300 running processes.
void AppsJsonWithSnapshot(benchmark::State& state) {
    std::vector<pid_t> sleepers;
    for (int i = 0; i < 280; ++i) {
        char a0[] = "C:\\Tarnwick\\helper.exe", secs[] = "120";
        char* argv[] = {a0, secs, nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, "/bin/sleep", nullptr, nullptr, argv, environ) == 0) sleepers.push_back(pid);
    }
    NativePlatform native;
    Pankor app(native.Get());
    for (int i = 0; i < 30; ++i) {
        CatalogApp a;
        a.slug = "app-" + std::to_string(i);
        a.exe = "Tarnwick\\app" + std::to_string(i) + ".exe";
        a.installed = "1.0.0.0";
        app.catalog.Apps.push_back(a);
    }
    app.catalog.AppCount = 30;
    for (auto _ : state) benchmark::DoNotOptimize(app.catalog.AppsJson());
    for (pid_t p : sleepers) kill(p, SIGKILL);
    for (pid_t p : sleepers) waitpid(p, nullptr, 0);
}

}  // namespace

BENCHMARK(Pipeline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(JsonReader)->Unit(benchmark::kMillisecond);
BENCHMARK(Nlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(Simdjson)->Unit(benchmark::kMillisecond);
BENCHMARK(AppsJsonWithSnapshot)->Unit(benchmark::kMicrosecond);

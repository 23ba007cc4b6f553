// The pumped installer download against a bare libcurl download of the same
// 256 MiB file from the publisher's kit on loopback, in one run; and the
// longest the message pump waited between two calls during the download.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Platform.h"
#include "startup/Pankor.h"

using namespace pankor;

namespace {

constexpr std::size_t kFileBytes = 256u << 20;

// `pankor-publish serve` on a folder holding the file, for the whole run.
class Server {
public:
    Server() {
        char pattern[] = "/tmp/pankor-bench-XXXXXX";
        dir_ = mkdtemp(pattern);
        std::filesystem::create_directories(dir_ + "/apps");
        std::string block(1u << 20, '\0');
        std::mt19937 random(7);
        for (char& c : block) c = static_cast<char>(random());
        block[0] = 'M';
        block[1] = 'Z';
        std::ofstream out(dir_ + "/apps/big.exe", std::ios::binary);
        for (std::size_t i = 0; i < kFileBytes / block.size(); ++i) {
            block[2] = static_cast<char>(i);  // no two mebibytes alike
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        out.close();

        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string exe = PUBLISH_EXE, serve = "serve", port = "--port", zero = "0";
        char* argv[] = {exe.data(), serve.data(), dir_.data(), port.data(), zero.data(), nullptr};
        if (posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string line;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') line += c;
        close(fds[0]);
        const std::size_t at = line.find(" at ");
        if (at != std::string::npos) url_ = line.substr(at + 4) + "/apps/big.exe";
    }
    ~Server() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove_all(dir_);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    const std::string& Url() const { return url_; }

private:
    std::string dir_;
    std::string url_;
    pid_t pid_ = -1;
};

Server& TheServer() {
    static Server server;
    return server;
}

std::size_t Append(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<std::vector<std::uint8_t>*>(user);
    body->insert(body->end(), data, data + size * count);
    return size * count;
}

// The reference: one easy handle, the body into memory, reserved once.
void BareCurl256MiB(benchmark::State& state) {
    const std::string url = TheServer().Url();
    for (auto _ : state) {
        std::vector<std::uint8_t> body;
        body.reserve(kFileBytes);
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        if (curl_easy_perform(curl) != CURLE_OK || body.size() != kFileBytes) state.SkipWithError("download failed");
        curl_easy_cleanup(curl);
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}

// A pump that dispatches nothing and notes the longest time between its calls.
class GapPump : public IMessagePump {
public:
    void Pump() noexcept override {
        const auto now = std::chrono::steady_clock::now();
        if (calls_++ > 0) worst_ = std::max(worst_, now - last_);
        last_ = now;
    }
    double WorstMs() const { return std::chrono::duration<double, std::milli>(worst_).count(); }

private:
    long calls_ = 0;
    std::chrono::steady_clock::time_point last_{};
    std::chrono::steady_clock::duration worst_{};
};

void FetchPumping256MiB(benchmark::State& state) {
    const std::string url = TheServer().Url();
    NativePlatform native;
    GapPump pump;
    NoHostFolderPicker picker;
    Pankor app(native.Get(), {pump, picker});
    for (auto _ : state) {
        Bytes bytes;
        if (!app.update.FetchPumping(url, bytes) || bytes.size() != kFileBytes) state.SkipWithError("download failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
    state.counters["worst_gap_ms"] = benchmark::Counter(pump.WorstMs(), benchmark::Counter::kAvgThreads);
}

}  // namespace

BENCHMARK(BareCurl256MiB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(FetchPumping256MiB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();

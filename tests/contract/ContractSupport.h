#pragma once
// Helpers shared by the contract suites. Each suite is a typed test whose
// parameter is a fixture type of one implementation, its "host": it holds
// the services (members named as in Platform) and supplies what differs
// between implementations (paths, clocks, programs, names).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "base/TempFiles.h"
#include "platform/IFileSystem.h"

namespace pankor::contract {

inline std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

inline ByteView View(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

// Bytes of every value, NUL included, in an order a lost or repeated chunk would break.
inline std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : data) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return data;
}

// A failure the core can write to its log: a description, without the line
// breaks or blanks some systems end their messages with.
inline ::testing::AssertionResult Described(const Status& s) {
    if (s.ok()) return ::testing::AssertionFailure() << "succeeded";
    const std::string& e = s.error();
    if (e.empty()) return ::testing::AssertionFailure() << "failed without a description";
    if (e.back() == '\n' || e.back() == '\r' || e.back() == ' ')
        return ::testing::AssertionFailure() << "description ends in a blank: [" << e << "]";
    return ::testing::AssertionSuccess() << e;
}
template <typename T>
::testing::AssertionResult Described(const Result<T>& r) {
    if (r.ok()) return ::testing::AssertionFailure() << "succeeded";
    return Described(r.status());
}

// Polls a condition the system may show a moment late.
template <typename Pred>
bool WaitUntil(Pred pred, int seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Temporary files of a replace left in a folder.
inline int Leftovers(const IFileSystem& fs, const std::string& folder) {
    int count = 0;
    for (const FolderEntry& e : fs.ListFolder(folder).value_or({})) count += IsTempFileName(e.name) ? 1 : 0;
    return count;
}

// Files that carry neither a version resource nor an icon. Host:
// PlainProgram() — a Windows program without either; In(name), WriteRaw.
template <typename Host>
std::vector<std::string> PlainFiles(Host& host) {
    host.WriteRaw(host.In("readme.txt"), "MZ but not a program");
    return {host.PlainProgram(), host.In("missing.exe"), host.In("readme.txt"), host.Root(), ""};
}

// A 24-bit Windows bitmap file as the page's <img> reads it: its pixel at
// (x, y) from the top left corner as 0xRRGGBB, once Size() has checked it.
struct Bitmap {
    const Bytes& bmp;
    std::uint32_t At(std::size_t i, int bytes = 4) const {
        std::uint32_t v = 0;
        for (int b = bytes - 1; b >= 0; --b) v = (v << 8) | bmp[i + static_cast<std::size_t>(b)];
        return v;
    }
    std::size_t Stride() const { return (At(18) * 3 + 3) & ~3u; }
    // "WxH", or why the file is no bitmap.
    std::string Size() const {
        if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M' || At(2) != bmp.size() || At(28, 2) != 24 ||
            At(30) != 0 || At(10) + Stride() * At(22) > bmp.size())
            return "no 24-bit bitmap file";
        return std::to_string(At(18)) + "x" + std::to_string(At(22));  // a positive height: bottom row first
    }
    std::uint32_t Rgb(int x, int y) const { return At(At(10) + Stride() * (At(22) - 1 - y) + 3 * x, 3); }
};

}  // namespace pankor::contract

// The suites of the services a fake models, and then every suite.
#define PANKOR_MODELLED_CONTRACTS(Name, Host)                        \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, SystemContract, Host);      \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, EnvironmentContract, Host); \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContract, Host);    \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, FileSystemContract, Host)
#define PANKOR_ALL_CONTRACTS(Name, Host)                              \
    PANKOR_MODELLED_CONTRACTS(Name, Host);                            \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, HttpContract, Host);         \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, CryptoContract, Host);       \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, ProcessesContract, Host);    \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, InstanceLockContract, Host); \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, IconsContract, Host);        \
    INSTANTIATE_TYPED_TEST_SUITE_P(Name, VersionResourceContract, Host)

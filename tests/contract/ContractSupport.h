#pragma once
// Helpers shared by the platform-facing tests. Each contract suite is a typed test over
// ContractHosts, declared first by the file that includes the suites: the type of one
// implementation's "host", holding its services (members named as in Platform) and supplying
// what differs between implementations (paths, clocks, programs, names).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/TempFiles.h"
#include "base/Text.h"
#include "platform/Platform.h"

namespace pankor::test {

inline std::filesystem::path FsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

// A folder of the test's own in the system's temporary folder, removed at the end, and plain
// file calls to look behind a service. Paths are UTF-8, with the system's separator.
class Scratch {
public:
    Scratch() {
        for (std::random_device random; !std::filesystem::create_directory(folder_);)
            folder_ = std::filesystem::temp_directory_path() / ("pankor-test-" + std::to_string(random()));
        const std::u8string utf8 = folder_.u8string();
        root_.assign(utf8.begin(), utf8.end());
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& Root() const { return root_; }
    std::string In(const std::string& name) const {
        return root_ + static_cast<char>(std::filesystem::path::preferred_separator) + name;
    }
    static void WriteRaw(const std::string& path, const std::string& data) {
        std::ofstream(FsPath(path), std::ios::binary) << data;
    }
    static std::optional<std::string> ReadRaw(const std::string& path) {  // a file's; nothing of a folder
        std::error_code ec;
        std::ifstream in(FsPath(path), std::ios::binary);
        if (!in || std::filesystem::is_directory(FsPath(path), ec)) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void MakeFolderRaw(const std::string& path) { std::filesystem::create_directory(FsPath(path)); }

private:
    std::filesystem::path folder_ = std::filesystem::temp_directory_path();  // taken: the loop picks a new one
    std::string root_;
};

}  // namespace pankor::test

namespace pankor::contract {

template <typename Host>
struct HostTest : ::testing::Test {
    Host host;
};

inline std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
inline ByteView View(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

// Bytes of every value, NUL included, in an order a lost or repeated chunk would break.
inline std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : data) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 23);
    return data;
}

// A failure the core can write to its log: a description, without the line
// breaks or blanks some systems end their messages with.
template <typename StatusOrResult>
::testing::AssertionResult Described(const StatusOrResult& s) {
    if (s.ok()) return ::testing::AssertionFailure() << "succeeded";
    const std::string& e = s.error();
    if (e.empty() || e.back() == '\n' || e.back() == '\r' || e.back() == ' ')
        return ::testing::AssertionFailure() << "no description, or one ending in a blank: [" << e << "]";
    return ::testing::AssertionSuccess() << e;
}

// Polls a condition the system may show a moment late.
template <typename Pred>
bool WaitUntil(Pred pred, int seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (; !pred(); std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (std::chrono::steady_clock::now() > deadline) return false;
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

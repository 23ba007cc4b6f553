#pragma once
// Helpers shared by the contract suites. Each suite is a typed test whose
// parameter is a small fixture type of one implementation: it makes the
// service and supplies what differs between hosts (paths, clocks, programs).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "base/Result.h"

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
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A 24-bit Windows bitmap file as the page's <img> reads it.
class Bitmap {
public:
    explicit Bitmap(const Bytes& bmp) : bmp_(bmp) {
        if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M' || Le32(2) != bmp.size() || Le16(28) != 24 ||
            Le32(30) != 0)
            return;
        width_ = static_cast<int>(Le32(18));
        height_ = static_cast<int>(Le32(22));  // positive: bottom row first
        stride_ = (static_cast<std::size_t>(width_) * 3 + 3) & ~std::size_t{3};
        if (width_ <= 0 || height_ <= 0 || Le32(10) + stride_ * static_cast<std::size_t>(height_) > bmp.size()) return;
        valid_ = true;
    }
    bool Valid() const { return valid_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel at (x, y) from the top left corner, as 0xRRGGBB.
    std::uint32_t Rgb(int x, int y) const {
        const std::size_t at = Le32(10) + stride_ * static_cast<std::size_t>(height_ - 1 - y) + 3ull * x;
        return (static_cast<std::uint32_t>(bmp_[at + 2]) << 16) | (bmp_[at + 1] << 8) | bmp_[at];
    }

private:
    std::uint32_t Le16(std::size_t at) const { return bmp_[at] | (bmp_[at + 1] << 8); }
    std::uint32_t Le32(std::size_t at) const {
        return Le16(at) | (static_cast<std::uint32_t>(bmp_[at + 2]) << 16) |
               (static_cast<std::uint32_t>(bmp_[at + 3]) << 24);
    }
    const Bytes& bmp_;
    int width_ = 0, height_ = 0;
    std::size_t stride_ = 0;
    bool valid_ = false;
};

}  // namespace pankor::contract

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/pe/PeResources.h"

using namespace pankor;

namespace {

// Builds a minimal PE image whose only section holds a resource tree of one
// resource: type -> id 1 -> language 1033 -> data.
struct PeImage {
    bool pe32plus = false;
    std::uint32_t type = kRtVersion;
    std::uint16_t valueLength = 52;
    std::uint32_t ms = 0x00010002, ls = 0x00030004;

    static constexpr std::uint32_t kRsrcRva = 0x1000, kRsrcFile = 0x200;

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> f(kRsrcFile, 0);
        f[0] = 'M';
        f[1] = 'Z';
        Put32(f, 0x3C, 0x80);
        Put32(f, 0x80, 0x00004550);
        const std::uint32_t coff = 0x84, opt = coff + 20;
        const std::uint16_t optSize = pe32plus ? 240 : 224;
        Put16(f, coff, pe32plus ? 0x8664 : 0x14C);
        Put16(f, coff + 2, 1);
        Put16(f, coff + 16, optSize);
        Put16(f, opt, pe32plus ? 0x20B : 0x10B);
        const std::uint32_t countAt = opt + (pe32plus ? 108 : 92), dirs = opt + (pe32plus ? 112 : 96);
        Put32(f, countAt, 16);

        std::vector<std::uint8_t> r(0x58, 0);
        auto dir = [&](std::uint32_t at, std::uint32_t id, std::uint32_t target) {
            Put16(r, at + 14, 1);
            Put32(r, at + 16, id);
            Put32(r, at + 20, target);
        };
        dir(0x00, type, 0x80000000u | 0x18);
        dir(0x18, 1, 0x80000000u | 0x30);
        dir(0x30, 1033, 0x48);
        std::vector<std::uint8_t> block(40 + 52, 0);
        Put16(block, 0, static_cast<std::uint16_t>(block.size()));
        Put16(block, 2, valueLength);
        const char* key = "VS_VERSION_INFO";
        for (std::size_t i = 0; i < std::strlen(key); ++i) block[6 + 2 * i] = static_cast<std::uint8_t>(key[i]);
        Put32(block, 40, 0xFEEF04BD);
        Put32(block, 48, ms);
        Put32(block, 52, ls);
        Put32(r, 0x48, kRsrcRva + 0x58);
        Put32(r, 0x4C, static_cast<std::uint32_t>(block.size()));
        r.insert(r.end(), block.begin(), block.end());

        const std::uint32_t size = static_cast<std::uint32_t>(r.size());
        Put32(f, dirs + 16, kRsrcRva);
        Put32(f, dirs + 20, size);
        const std::uint32_t sec = opt + optSize;
        std::memcpy(&f[sec], ".rsrc", 5);
        Put32(f, sec + 8, size);
        Put32(f, sec + 12, kRsrcRva);
        Put32(f, sec + 16, size);
        Put32(f, sec + 20, kRsrcFile);
        f.insert(f.end(), r.begin(), r.end());
        return f;
    }

    static void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
        b[at] = v & 0xFF;
        b[at + 1] = v >> 8;
    }
    static void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
    }
};

}  // namespace

TEST(PeResources, ReadsTheFixedVersionOfPe32AndPe32Plus) {
    for (bool plus : {false, true}) {
        PeImage img;
        img.pe32plus = plus;
        const auto bytes = img.Build();
        const auto v = ReadVersionResource(bytes);
        ASSERT_TRUE(v.has_value()) << plus;
        EXPECT_EQ(v->fileVersionMS, 0x00010002u);
        EXPECT_EQ(v->fileVersionLS, 0x00030004u);
        const auto pe = PeResources::Parse(bytes);
        ASSERT_TRUE(pe.has_value());
        EXPECT_EQ(pe->Ids(kRtVersion), std::vector<std::uint32_t>{1});
        EXPECT_TRUE(pe->Find(kRtVersion, 1).has_value());
        EXPECT_FALSE(pe->Find(kRtVersion, 2).has_value());
    }
}

TEST(PeResources, FilesWithoutAVersionRecordGiveNothing) {
    PeImage icon;
    icon.type = kRtIcon;
    EXPECT_FALSE(ReadVersionResource(icon.Build()).has_value());
    PeImage shortValue;
    shortValue.valueLength = 51;
    EXPECT_FALSE(ReadVersionResource(shortValue.Build()).has_value());

    const std::string text = "MZ but not really a program, just text that starts like one";
    EXPECT_FALSE(ReadVersionResource({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
    EXPECT_FALSE(ReadVersionResource({}).has_value());
}

TEST(PeResources, EveryTruncationGivesNothingAndNeverReadsOutOfBounds) {
    for (bool plus : {false, true}) {
        PeImage img;
        img.pe32plus = plus;
        const auto full = img.Build();
        for (std::size_t n = 0; n < full.size(); ++n) {
            // A fresh copy of exactly n bytes, so the sanitizers see any overread.
            const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_FALSE(ReadVersionResource(cut).has_value()) << n;
        }
    }
}

TEST(PeResources, HostileOffsetsAndLoopsAreSurvived) {
    auto bytes = PeImage{}.Build();
    // The type entry points back at the root directory.
    PeImage::Put32(bytes, PeImage::kRsrcFile + 20, 0x80000000u);
    EXPECT_FALSE(ReadVersionResource(bytes).has_value());

    bytes = PeImage{}.Build();
    PeImage::Put32(bytes, PeImage::kRsrcFile + 0x48, 0xFFFFFFF0u);  // data RVA far outside
    EXPECT_FALSE(ReadVersionResource(bytes).has_value());

    bytes = PeImage{}.Build();
    PeImage::Put16(bytes, PeImage::kRsrcFile + 14, 0xFFFF);  // claims 65535 entries
    EXPECT_NO_FATAL_FAILURE(ReadVersionResource(bytes));

    // Random corruption anywhere: any answer is fine, a crash is not.
    std::mt19937 rng(1234);
    const auto good = PeImage{}.Build();
    for (int i = 0; i < 5000; ++i) {
        auto b = good;
        for (int k = 0; k < 4; ++k) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
        (void)ReadVersionResource(b);
    }
}

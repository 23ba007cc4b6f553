// Reading programs' resources: version records, icon groups and icon images,
// and the bitmap written from them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/pe/IconImage.h"
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
}

namespace {

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A w x h DIB icon: 32-bit with the given BGRA for every pixel, or 8-bit with
// a two-colour palette (left half colour 0, right half colour 1) and an AND
// mask that hides the top row.
std::vector<std::uint8_t> Dib(int w, int h, int bits, std::uint32_t bgra = 0) {
    const std::size_t xorStride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    const std::size_t andStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    const std::size_t palette = bits == 8 ? 256 * 4 : 0;
    std::vector<std::uint8_t> b(40 + palette + (xorStride + andStride) * static_cast<std::size_t>(h), 0);
    Put(b, 0, 40, 4);
    Put(b, 4, static_cast<std::uint32_t>(w), 4);
    Put(b, 8, static_cast<std::uint32_t>(2 * h), 4);
    Put(b, 12, 1, 2);
    Put(b, 14, static_cast<std::uint32_t>(bits), 2);
    if (bits == 8) {
        Put(b, 40, 0x000000FF, 4);  // colour 0: blue
        Put(b, 44, 0x00FF0000, 4);  // colour 1: red
    }
    const std::size_t xorAt = 40 + palette;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t row = xorAt + xorStride * static_cast<std::size_t>(y);
            if (bits == 32)
                Put(b, row + 4ull * x, bgra, 4);
            else
                b[row + static_cast<std::size_t>(x)] = x >= w / 2 ? 1 : 0;
        }
    const std::size_t andAt = xorAt + xorStride * static_cast<std::size_t>(h);
    for (std::size_t i = 0; i < andStride; ++i) b[andAt + andStride * static_cast<std::size_t>(h - 1) + i] = 0xFF;
    return b;
}

const std::uint8_t* Pixel(const RgbaImage& img, int x, int y) {
    return &img.rgba[(static_cast<std::size_t>(y) * img.width + x) * 4];
}

}  // namespace

TEST(IconImage, GroupEntriesAndTheBestChoiceForASize) {
    std::vector<std::uint8_t> g(6 + 3 * 14, 0);
    Put(g, 2, 1, 2);
    Put(g, 4, 3, 2);
    const int sizes[] = {16, 0 /* 256 */, 48};
    for (int i = 0; i < 3; ++i) {
        g[6 + 14 * i] = static_cast<std::uint8_t>(sizes[i]);
        g[7 + 14 * i] = static_cast<std::uint8_t>(sizes[i]);
        Put(g, 6 + 14 * i + 6, 32, 2);
        Put(g, 6 + 14 * i + 12, static_cast<std::uint32_t>(i + 1), 2);
    }
    const auto entries = ReadIconGroup(g);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].width, 256);
    EXPECT_EQ(ChooseIcon(entries, 64)->id, 2u);   // the smallest at least 64
    EXPECT_EQ(ChooseIcon(entries, 32)->id, 3u);   // 48 beats 256
    EXPECT_EQ(ChooseIcon(entries, 300)->id, 2u);  // none large enough: the largest
    g.resize(g.size() - 1);
    EXPECT_TRUE(ReadIconGroup(g).empty());  // truncated
    EXPECT_FALSE(ChooseIcon({}, 64).has_value());
}

TEST(IconImage, DecodesAlphaIconsAndPalettedIconsWithTheirMask) {
    const auto rgba = DecodeDibIcon(Dib(4, 4, 32, 0x80112233));
    ASSERT_TRUE(rgba.has_value());
    EXPECT_EQ(Pixel(*rgba, 0, 0)[0], 0x11);
    EXPECT_EQ(Pixel(*rgba, 0, 0)[2], 0x33);
    EXPECT_EQ(Pixel(*rgba, 3, 3)[3], 0x80);  // its own alpha wins over the mask

    const auto pal = DecodeDibIcon(Dib(8, 4, 8));
    ASSERT_TRUE(pal.has_value());
    EXPECT_EQ(Pixel(*pal, 0, 1)[2], 0xFF);  // blue on the left
    EXPECT_EQ(Pixel(*pal, 7, 1)[0], 0xFF);  // red on the right
    EXPECT_EQ(Pixel(*pal, 0, 0)[3], 0);     // the masked top row is transparent
    EXPECT_EQ(Pixel(*pal, 0, 1)[3], 255);
}

TEST(IconImage, MalformedImagesAreRefusedAtEveryLength) {
    for (int bits : {8, 32}) {
        const auto full = Dib(16, 16, bits, 0xFF000000);
        for (std::size_t n = 0; n < 40 + (bits == 8 ? 1024u : 0u) + 64; ++n) {
            const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_FALSE(DecodeDibIcon(cut).has_value()) << bits << " " << n;
        }
    }
    auto huge = Dib(4, 4, 32);
    Put(huge, 4, 100000, 4);
    EXPECT_FALSE(DecodeDibIcon(huge).has_value());
    auto compressed = Dib(4, 4, 32);
    Put(compressed, 16, 3, 4);
    EXPECT_FALSE(DecodeDibIcon(compressed).has_value());
    const std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(IsPng(png));
    EXPECT_FALSE(IsPng(std::span<const std::uint8_t>(png, 7)));
}

TEST(IconImage, ComposedOnTheBackgroundAndWrittenAsABitmap) {
    RgbaImage src{2, 2, std::vector<std::uint8_t>(16, 0)};
    src.rgba[4 * 3 + 0] = 255;  // bottom-right pixel opaque red
    src.rgba[4 * 3 + 3] = 255;
    const RgbaImage out = ComposeOnBackground(src, 64, 0x0D1119);
    EXPECT_EQ(Pixel(out, 0, 0)[0], 0x0D);
    EXPECT_EQ(Pixel(out, 0, 0)[1], 0x11);
    EXPECT_EQ(Pixel(out, 0, 0)[2], 0x19);
    EXPECT_EQ(Pixel(out, 63, 63)[0], 255);
    EXPECT_EQ(Pixel(out, 63, 63)[1], 0);

    const auto bmp = EncodeBmp24(out);
    ASSERT_EQ(bmp.size(), 54u + 64 * 64 * 3);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[18], 64);
    EXPECT_EQ(bmp[28], 24);
    // Rows are stored bottom-up in blue-green-red order: the first stored
    // pixel is the bottom-left one, background.
    EXPECT_EQ(bmp[54], 0x19);
    EXPECT_EQ(bmp[56], 0x0D);
    // The last stored pixel is the top-right one.
    EXPECT_EQ(bmp[bmp.size() - 1], 0x0D);
}

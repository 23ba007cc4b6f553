#include <gtest/gtest.h>

#include "platform/pe/IconImage.h"

using namespace pankor;

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

// Reading programs' resources (real programs: the platform contract): icon sizes, paletted icons.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/pe/IconImage.h"
#include "platform/pe/PeResources.h"

using namespace pankor;

namespace {

using Image = std::vector<std::uint8_t>;

using Field = std::tuple<std::size_t, std::uint32_t, int>;  // where, what, how many bytes
template <std::size_t N>
void Put(Image& b, const Field (&fields)[N]) {
    for (const auto& [at, v, n] : fields)
        for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A PE image whose only section holds one resource: type -> id 1 -> language 1033 -> a version record of 1.2.3.4.
Image Pe(bool pe32plus, std::uint32_t type = kRtVersion) {
    Image f(0x200, 0), r(0x58 + 92, 0);
    const std::uint32_t opt = 0x84 + 20, optSize = pe32plus ? 240 : 224, dirs = opt + (pe32plus ? 112 : 96);
    const std::uint32_t sec = opt + optSize, size = static_cast<std::uint32_t>(r.size());
    const std::uint32_t machine = pe32plus ? 0x8664 : 0x14C, magic = pe32plus ? 0x20B : 0x10B;
    const Field headers[] = {{0, 0x5A4D, 2},         {0x3C, 0x80, 4},      {0x80, 0x4550, 4},  {0x84, machine, 2},
                             {0x86, 1, 2},           {0x94, optSize, 2},   {opt, magic, 2},    {dirs - 4, 16, 4},
                             {dirs + 16, 0x1000, 4}, {dirs + 20, size, 4}, {sec + 8, size, 4}, {sec + 12, 0x1000, 4},
                             {sec + 16, size, 4},    {sec + 20, 0x200, 4}};
    Put(f, headers);
    std::memcpy(&f[sec], ".rsrc", 5);
    const std::uint32_t entries[][3] = {{0x00, type, 0x80000018}, {0x18, 1, 0x80000030}, {0x30, 1033, 0x48}};
    for (const auto& [at, id, target] : entries) Put(r, {{at + 14, 1, 2}, {at + 16, id, 4}, {at + 20, target, 4}});
    // The data entry, then at 0x58 the record: its length, its value's, its key; at 0x80 the fixed info.
    const Field version[] = {{0x48, 0x1058, 4},     {0x4C, 92, 4},         {0x58, 92, 2},        {0x5A, 52, 2},
                             {0x80, 0xFEEF04BD, 4}, {0x88, 0x00010002, 4}, {0x8C, 0x00030004, 4}};
    Put(r, version);
    for (std::size_t i = 0; i < 15; ++i) r[0x58 + 6 + 2 * i] = static_cast<std::uint8_t>("VS_VERSION_INFO"[i]);
    f.insert(f.end(), r.begin(), r.end());
    return f;
}

// A w x h DIB icon: 32-bit, every pixel bgra; or 8-bit, blue and red halves, an AND mask hiding the top row.
Image Dib(int w, int h, int bits, std::uint32_t bgra = 0) {
    const std::size_t xorStride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    const std::size_t andStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    const std::size_t xorAt = 40 + (bits == 8 ? 1024 : 0), andAt = xorAt + xorStride * h;
    Image b(andAt + andStride * h, 0);
    const auto uw = static_cast<std::uint32_t>(w), uh = static_cast<std::uint32_t>(h),
               ub = static_cast<std::uint32_t>(bits);
    const Field header[] = {{0, 40, 4},  {4, uw, 4},          {8, 2 * uh, 4},     {12, 1, 2},
                            {14, ub, 2}, {40, 0x000000FF, 4}, {44, 0x00FF0000, 4}};
    Put(b, header);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t at = xorAt + xorStride * y;
            if (bits == 32) Put(b, {{at + 4 * x, bgra, 4}});
            if (bits == 8) b[at + x] = x >= w / 2 ? 1 : 0;
        }
    for (std::size_t i = 0; i < andStride; ++i) b[andAt + andStride * (h - 1) + i] = 0xFF;
    return b;
}

const std::uint8_t* Pixel(const RgbaImage& img, int x, int y) {
    return &img.rgba[(static_cast<std::size_t>(y) * img.width + x) * 4];
}

}  // namespace

// Cut or hostile images: the fuzz targets' (run under the sanitizers).
TEST(PeResources, TheVersionRecordOfPe32AndPe32Plus) {
    for (bool plus : {false, true}) {
        const auto v = ReadVersionResource(Pe(plus)).value_or(FixedFileVersion{});
        EXPECT_EQ(std::pair(v.fileVersionMS, v.fileVersionLS), std::pair(0x00010002u, 0x00030004u)) << plus;
    }
    EXPECT_FALSE(ReadVersionResource(Pe(false, kRtIcon)).has_value());
    Image b = Pe(false);
    Put(b, {{0x200 + 14, 0xFFFF, 2}});  // 65535 entries claimed: the one there is still read
    EXPECT_TRUE(ReadVersionResource(b).has_value());
}

TEST(IconImage, TheBestSizeIsChosenAndImagesAreDecodedOrRefused) {
    Image g(6 + 3 * 14, 0);
    Put(g, {{2, 1, 2}, {4, 3, 2}});
    const std::uint32_t sides[] = {16, 0 /* 256 */, 48};  // width and height bytes; ids 1 to 3
    for (std::uint32_t i = 0; i < 3; ++i)
        Put(g, {{6 + 14 * i, sides[i] * 0x101, 2}, {12 + 14 * i, 32, 2}, {18 + 14 * i, i + 1, 2}});
    const auto entries = ReadIconGroup(g);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(ChooseIcon(entries, 64)->id, 2u);   // the smallest at least 64
    EXPECT_EQ(ChooseIcon(entries, 32)->id, 3u);   // 48 beats 256
    EXPECT_EQ(ChooseIcon(entries, 300)->id, 2u);  // none large enough: the largest
    EXPECT_TRUE(ReadIconGroup(Image(g.begin(), g.end() - 1)).empty());
    EXPECT_FALSE(ChooseIcon({}, 64).has_value());

    const auto pal = DecodeDibIcon(Dib(8, 4, 8));
    ASSERT_TRUE(pal.has_value());
    EXPECT_EQ(Pixel(*pal, 0, 1)[2], 0xFF);  // blue on the left
    EXPECT_EQ(Pixel(*pal, 7, 1)[0], 0xFF);  // red on the right
    EXPECT_EQ(Pixel(*pal, 0, 0)[3], 0);     // the masked top row is transparent
    EXPECT_EQ(Pixel(*pal, 0, 1)[3], 255);
    EXPECT_EQ(Pixel(*DecodeDibIcon(Dib(4, 4, 32, 0x80112233)), 3, 3)[3], 0x80);  // its own alpha wins over the mask
    Image compressed = Dib(4, 4, 32);
    Put(compressed, {{16, 3, 4}});
    EXPECT_FALSE(DecodeDibIcon(compressed).has_value());
}

// Icon extraction and drawing against the real system. Bitmaps are checked
// by loading them with the system's own reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "TestSupport.h"
#include "platform/win32/Win32Icons.h"

namespace pankor {
namespace {

constexpr std::uint32_t kBackground = 0x0D1119;

// A .bmp file as Windows reads it: size and the colour of any pixel, 0xRRGGBB.
class LoadedBitmap {
public:
    explicit LoadedBitmap(const Bytes& bmp) {
        test::TempFolder dir;
        const std::string path = dir.Join("icon.bmp");
        test::WriteWhole(path, std::string(bmp.begin(), bmp.end()));
        bitmap_ = static_cast<HBITMAP>(
            LoadImageW(nullptr, test::Wide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (!bitmap_) return;
        BITMAP info{};
        GetObjectW(bitmap_, sizeof(info), &info);
        width_ = info.bmWidth;
        height_ = info.bmHeight;
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~LoadedBitmap() {
        if (dc_) {
            SelectObject(dc_, previous_);
            DeleteDC(dc_);
        }
        if (bitmap_) DeleteObject(bitmap_);
    }
    LoadedBitmap(const LoadedBitmap&) = delete;
    LoadedBitmap& operator=(const LoadedBitmap&) = delete;

    bool Loaded() const { return bitmap_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // x, y from the top left corner.
    std::uint32_t Rgb(int x, int y) const {
        const COLORREF c = GetPixel(dc_, x, y);
        return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
               GetBValue(c);
    }

private:
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

::testing::AssertionResult IsRgb(std::uint32_t actual, std::uint32_t expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof(text), "%06X instead of %06X", static_cast<unsigned>(actual),
                  static_cast<unsigned>(expected));
    return ::testing::AssertionFailure() << text;
}

std::string IconFixture() { return test::WindowsPath(ICON_FIXTURE_PATH); }
std::string NoIconFixture() { return test::WindowsPath(VERSION_FIXTURE_PATH); }

// The handle is a live icon of this width.
bool IconOfWidth(IconHandle handle, int width) {
    ICONINFO info{};
    if (!GetIconInfo(reinterpret_cast<HICON>(handle), &info)) return false;
    BITMAP colour{};
    const bool ok = info.hbmColor && GetObjectW(info.hbmColor, sizeof(colour), &colour) && colour.bmWidth == width;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return ok;
}

TEST(Win32IconsTest, DrawsTheFirstIconOverTheBackground) {
    const Result<std::optional<Bytes>> icon = Win32Icons().RenderFirstIcon(IconFixture(), 64, kBackground);
    ASSERT_TRUE(icon.ok()) << icon.error();
    ASSERT_TRUE(icon->has_value());
    const Bytes& bmp = **icon;
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), bmp.size());

    LoadedBitmap bitmap(bmp);
    ASSERT_TRUE(bitmap.Loaded()) << "the system cannot read the bitmap";
    EXPECT_EQ(bitmap.Width(), 64);
    EXPECT_EQ(bitmap.Height(), 64);
    // The icon's transparent margin shows the background...
    const std::initializer_list<std::pair<int, int>> margin = {{0, 0}, {63, 0}, {0, 63}, {63, 63}, {8, 32}, {32, 56}};
    for (const auto& [x, y] : margin) EXPECT_TRUE(IsRgb(bitmap.Rgb(x, y), kBackground)) << "at " << x << "," << y;
    // ...and its square, stretched twice, shows its two halves the right way up.
    EXPECT_TRUE(IsRgb(bitmap.Rgb(32, 24), 0xE04020));
    EXPECT_TRUE(IsRgb(bitmap.Rgb(32, 40), 0x20C0F0));

    const Result<std::optional<Bytes>> light = Win32Icons().RenderFirstIcon(IconFixture(), 64, 0xFFFFFF);
    ASSERT_TRUE(light.ok()) << light.error();
    ASSERT_TRUE(light->has_value());
    LoadedBitmap lightBitmap(**light);
    ASSERT_TRUE(lightBitmap.Loaded());
    EXPECT_TRUE(IsRgb(lightBitmap.Rgb(0, 0), 0xFFFFFF));
    EXPECT_TRUE(IsRgb(lightBitmap.Rgb(32, 24), 0xE04020));
}

TEST(Win32IconsTest, FilesWithoutAnIconGiveNoPicture) {
    Win32Icons icons;
    test::TempFolder dir;
    const std::string text = dir.Join("readme.txt");
    test::WriteWhole(text, "not a program");
    for (const std::string& path : {NoIconFixture(), dir.Join("missing.exe"), text, std::string()}) {
        const Result<std::optional<Bytes>> icon = icons.RenderFirstIcon(path, 64, kBackground);
        ASSERT_TRUE(icon.ok()) << path << ": " << icon.error();  // no icon is an answer, not a failure
        EXPECT_FALSE(icon->has_value()) << path;
        EXPECT_LE(icons.ExtractDefault(path), 1u) << path;
        EXPECT_EQ(icons.ExtractSized(path, 16, 16), 0u) << path;
    }
}

TEST(Win32IconsTest, ASizeThatCannotBeDrawnFails) {
    for (int size : {0, -64, 100000}) {
        const Result<std::optional<Bytes>> icon = Win32Icons().RenderFirstIcon(IconFixture(), size, kBackground);
        EXPECT_FALSE(icon.ok()) << size;
        EXPECT_FALSE(icon.error().empty()) << size;
    }
}

TEST(Win32IconsTest, ExtractedHandlesAreLiveUntilDestroyed) {
    Win32Icons icons;
    const IconHandle small = icons.ExtractSized(IconFixture(), 16, 16);
    ASSERT_GT(small, 1u);
    EXPECT_TRUE(IconOfWidth(small, 16));
    icons.Destroy(small);
    EXPECT_FALSE(IconOfWidth(small, 16)) << "the icon outlived Destroy";

    const int large = icons.SystemMetric(SM_CXICON);
    EXPECT_GT(large, 0);
    EXPECT_GT(icons.SystemMetric(SM_CXSMICON), 0);
    EXPECT_LE(icons.SystemMetric(SM_CXSMICON), large);
    const IconHandle standard = icons.ExtractDefault(IconFixture());
    ASSERT_GT(standard, 1u);
    EXPECT_TRUE(IconOfWidth(standard, large));
    icons.Destroy(standard);
    EXPECT_FALSE(IconOfWidth(standard, large));

    icons.Destroy(0);  // "no icon" handles are left alone
    icons.Destroy(1);
}

TEST(Win32IconsTest, EncodedBitmapsPadTheirRows) {
    // 3 x 2 pixels: 9 bytes a row, padded to 12; bottom row first in memory.
    const std::uint8_t bgrx[] = {
        0x01, 0x02, 0x03, 0, 0x04, 0x05, 0x06, 0, 0x07, 0x08, 0x09, 0,  // bottom row
        0x0A, 0x0B, 0x0C, 0, 0x0D, 0x0E, 0x0F, 0, 0x10, 0x11, 0x12, 0,  // top row
    };
    const Bytes bmp = EncodeDibAsBmp(bgrx, 3, 2);
    ASSERT_EQ(bmp.size(), 54u + 2 * 12);
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(Le32(bmp, 10), 54u);
    LoadedBitmap bitmap(bmp);
    ASSERT_TRUE(bitmap.Loaded());
    ASSERT_EQ(bitmap.Width(), 3);
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_TRUE(IsRgb(bitmap.Rgb(0, 1), 0x030201));
    EXPECT_TRUE(IsRgb(bitmap.Rgb(2, 1), 0x090807));
    EXPECT_TRUE(IsRgb(bitmap.Rgb(0, 0), 0x0C0B0A));
    EXPECT_TRUE(IsRgb(bitmap.Rgb(2, 0), 0x121110));

    EXPECT_TRUE(EncodeDibAsBmp(bgrx, 0, 2).empty());
    EXPECT_TRUE(EncodeDibAsBmp(nullptr, 3, 2).empty());
}

}  // namespace
}  // namespace pankor

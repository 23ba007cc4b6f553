// What only the Win32 icons need: live icon handles for the windows, and
// bitmaps the system's own reader takes.
#include <gtest/gtest.h>

#include <cstdio>

#include "TestSupport.h"
#include "platform/win32/Win32Icons.h"

namespace pankor {
namespace {

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

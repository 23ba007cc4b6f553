// What only the Win32 icons need: live icon handles for the windows, and the
// DIB of a drawing turned into a bitmap file the right way up.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/win32/Win32Icons.h"

namespace pankor {
namespace {

std::string IconProgram() { return test::WindowsPath(ICON_FIXTURE_PATH); }

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
    const struct {
        IconHandle handle;
        int width;
    } cases[] = {{icons.ExtractSized(IconProgram(), 16, 16), 16},
                 {icons.ExtractDefault(IconProgram()), icons.SystemMetric(SM_CXICON)}};
    for (const auto& c : cases) {
        ASSERT_GT(c.handle, 1u) << c.width;
        EXPECT_TRUE(IconOfWidth(c.handle, c.width)) << c.width;
        icons.Destroy(c.handle);
        EXPECT_FALSE(IconOfWidth(c.handle, c.width)) << "the icon outlived Destroy";
    }
    icons.Destroy(0);  // "no icon" handles are left alone
    icons.Destroy(1);
}

TEST(Win32IconsTest, TheDibOfADrawingBecomesABitmapFileTheRightWayUp) {
    // 3 x 2 pixels: 9 bytes a row in the file, padded to 12; bottom row first in memory.
    const std::uint8_t bgrx[] = {
        0x01, 0x02, 0x03, 0, 0x04, 0x05, 0x06, 0, 0x07, 0x08, 0x09, 0,  // bottom row
        0x0A, 0x0B, 0x0C, 0, 0x0D, 0x0E, 0x0F, 0, 0x10, 0x11, 0x12, 0,  // top row
    };
    const Bytes bmp = EncodeDibAsBmp(bgrx, 3, 2);
    ASSERT_EQ(bmp.size(), 54u + 2 * 12);
    const contract::Bitmap bitmap{bmp};
    ASSERT_EQ(bitmap.Size(), "3x2");
    EXPECT_EQ(bitmap.Rgb(0, 1), 0x030201u);
    EXPECT_EQ(bitmap.Rgb(2, 1), 0x090807u);
    EXPECT_EQ(bitmap.Rgb(0, 0), 0x0C0B0Au);
    EXPECT_EQ(bitmap.Rgb(2, 0), 0x121110u);
    EXPECT_TRUE(EncodeDibAsBmp(bgrx, 0, 2).empty());
    EXPECT_TRUE(EncodeDibAsBmp(nullptr, 3, 2).empty());
}

}  // namespace
}  // namespace pankor

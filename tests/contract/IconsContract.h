#pragma once
// App icons drawn for the page, and the icon sizes the windows ask for.
//
// Fixture: IIcons& Service(); IconProgram() — a Windows program whose first
// icon is 32x32: transparent but for a 16x16 square in the middle, its upper
// half orange (E04020), its lower half blue (20C0F0); PlainProgram() — one
// without icons ("" for both when they cannot be built here); In(name) and
// WriteRaw(path, data) for files of the test's own.
#include "ContractSupport.h"
#include "platform/IIcons.h"

namespace pankor::contract {

template <typename F>
class IconsContract : public ::testing::Test {
protected:
    void SetUp() override {
        if (f.IconProgram().empty()) GTEST_SKIP() << "no fixture programs: no MinGW toolchain";
    }
    F f;
};
TYPED_TEST_SUITE_P(IconsContract);

TYPED_TEST_P(IconsContract, TheFirstIconIsDrawnOverTheBackground) {
    for (const std::uint32_t background : {0x0D1119u, 0xFFFFFFu}) {
        const Result<std::optional<Bytes>> icon =
            this->f.Service().RenderFirstIcon(this->f.IconProgram(), 64, background);
        ASSERT_TRUE(icon.ok()) << icon.error();
        ASSERT_TRUE(icon->has_value());
        const Bitmap bitmap(**icon);
        ASSERT_TRUE(bitmap.Valid());
        EXPECT_EQ(bitmap.Width(), 64);
        EXPECT_EQ(bitmap.Height(), 64);
        // The transparent margin shows the background...
        for (const auto& [x, y] :
             std::initializer_list<std::pair<int, int>>{{0, 0}, {63, 0}, {0, 63}, {63, 63}, {8, 32}, {32, 56}})
            EXPECT_EQ(bitmap.Rgb(x, y), background) << x << "," << y;
        // ...and the square, stretched twice, shows its halves the right way up and round.
        EXPECT_EQ(bitmap.Rgb(32, 24), 0xE04020u);
        EXPECT_EQ(bitmap.Rgb(32, 40), 0x20C0F0u);
    }
}

TYPED_TEST_P(IconsContract, FilesWithoutAnIconGiveNoPictureAndNoHandle) {
    IIcons& icons = this->f.Service();
    const std::string text = this->f.In("readme.txt");
    this->f.WriteRaw(text, "not a program");
    for (const std::string& path : {this->f.PlainProgram(), this->f.In("missing.exe"), text, std::string()}) {
        const Result<std::optional<Bytes>> icon = icons.RenderFirstIcon(path, 64, 0x0D1119);
        ASSERT_TRUE(icon.ok()) << path << ": " << icon.error();  // no icon is an answer, not a failure
        EXPECT_FALSE(icon->has_value()) << path;
        EXPECT_LE(icons.ExtractDefault(path), 1u) << path;
        EXPECT_EQ(icons.ExtractSized(path, 16, 16), 0u) << path;
    }
}

TYPED_TEST_P(IconsContract, ASizeThatCannotBeDrawnFails) {
    for (const int size : {0, -64, 100000})
        EXPECT_TRUE(Described(this->f.Service().RenderFirstIcon(this->f.IconProgram(), size, 0))) << size;
}

TYPED_TEST_P(IconsContract, TheSystemTellsItsIconSizes) {
    IIcons& icons = this->f.Service();
    const int large = icons.SystemMetric(11), small = icons.SystemMetric(49), smallHigh = icons.SystemMetric(50);
    EXPECT_GE(large, 16);
    EXPECT_GE(small, 8);
    EXPECT_GE(smallHigh, 8);
    EXPECT_LE(small, large);
}

REGISTER_TYPED_TEST_SUITE_P(IconsContract, TheFirstIconIsDrawnOverTheBackground,
                            FilesWithoutAnIconGiveNoPictureAndNoHandle, ASizeThatCannotBeDrawnFails,
                            TheSystemTellsItsIconSizes);

}  // namespace pankor::contract

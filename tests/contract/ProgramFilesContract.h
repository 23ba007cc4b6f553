#pragma once
// What program files tell: the cards' icons, the windows' icon sizes and the fixed file version of
// installed programs. Host: icons, versions; IconProgram() — a Windows program whose first icon is
// 32x32, transparent but for a 16x16 square in the middle, its upper half orange (E04020), its lower
// half blue (20C0F0) ("" when the fixture programs cannot be built here); VersionPrograms() —
// Windows programs whose version is 65535.32770.32771.65534; and what PlainFiles needs.
#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
class ProgramFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (host.IconProgram().empty()) GTEST_SKIP() << "no fixture programs: no MinGW toolchain";
    }
    Host host;
    IIcons& icons = host.icons;
};
template <typename Host>
using IconsContract = ProgramFilesTest<Host>;
TYPED_TEST_SUITE(IconsContract, ContractHosts);
template <typename Host>
using VersionResourceContract = ProgramFilesTest<Host>;
TYPED_TEST_SUITE(VersionResourceContract, ContractHosts);

TYPED_TEST(IconsContract, TheFirstIconIsDrawnOverTheBackgroundTheRightWayUpAndRound) {
    for (const std::uint32_t background : {0x0D1119u, 0xFFFFFFu}) {
        const Result<std::optional<Bytes>> icon = this->icons.RenderFirstIcon(this->host.IconProgram(), 64, background);
        ASSERT_TRUE(icon.ok() && icon->has_value()) << icon.error();
        const Bitmap bitmap{**icon};
        ASSERT_EQ(bitmap.Size(), "64x64");
        for (const auto& [x, y] :
             {std::pair(0, 0), std::pair(63, 0), std::pair(0, 63), std::pair(63, 63), std::pair(8, 32)})
            EXPECT_EQ(bitmap.Rgb(x, y), background) << x << "," << y;  // the transparent margin
        EXPECT_EQ(std::pair(bitmap.Rgb(32, 24), bitmap.Rgb(32, 40)), std::pair(0xE04020u, 0x20C0F0u));  // stretched
    }
    for (const int size : {0, -64, 100000})
        EXPECT_TRUE(Described(this->icons.RenderFirstIcon(this->host.IconProgram(), size, 0))) << size;
    const int large = this->icons.SystemMetric(11), small = this->icons.SystemMetric(49);  // SM_CXICON, SM_CXSMICON
    EXPECT_TRUE(small >= 8 && small <= large && this->icons.SystemMetric(50) >= 8) << small << " " << large;
}

TYPED_TEST(VersionResourceContract, TheFixedFileVersionKeepsEveryBitOfItsParts) {
    for (const std::string& program : this->host.VersionPrograms()) {
        const Result<FixedFileVersion> v = this->host.versions.Read(program);
        ASSERT_TRUE(v.ok()) << program << ": " << v.error();
        EXPECT_EQ(std::pair(v->fileVersionMS, v->fileVersionLS), std::pair(0xFFFF8002u, 0x8003FFFEu)) << program;
    }
}

TYPED_TEST(IconsContract, FilesWithoutAnIconGiveNoPictureAndNoHandle) {
    for (const std::string& path : PlainFiles(this->host)) {
        const Result<std::optional<Bytes>> icon = this->icons.RenderFirstIcon(path, 64, 0x0D1119);
        EXPECT_TRUE(icon.ok() && !icon->has_value()) << path << icon.error();  // no icon is an answer
        EXPECT_LE(this->icons.ExtractDefault(path), 1u) << path;
        EXPECT_EQ(this->icons.ExtractSized(path, 16, 16), 0u) << path;
    }
}

TYPED_TEST(VersionResourceContract, FilesWithoutAVersionAreADescribedFailure) {
    for (const std::string& path : PlainFiles(this->host))
        EXPECT_TRUE(Described(this->host.versions.Read(path))) << path;
}

}  // namespace pankor::contract

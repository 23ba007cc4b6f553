// The portable PE reader behind the Linux version and icon services, on
// programs of both MinGW toolchains, on every cut of them, and on the product.
#include <gtest/gtest.h>

#include <filesystem>

#include "ContractSupport.h"
#include "Scratch.h"
#include "core/PankorVersion.h"
#include "platform/linux/LinuxIcons.h"
#include "platform/linux/LinuxVersionResource.h"

using namespace pankor;
using pankor::contract::Bitmap;
using pankor::test::Scratch;

namespace {

std::string Program(const std::string& name) { return std::string(PE_FIXTURE_DIR) + "/" + name + ".exe"; }

}  // namespace

TEST(LinuxPeReader, ReadsTheVersionOfProgramsOfBothArchitectures) {
    const LinuxVersionResource versions;
    for (const std::string arch : {"i686", "x86_64"}) {
        if (!std::filesystem::exists(Program(arch + "_version"))) GTEST_SKIP() << "no MinGW toolchain for " << arch;
        const auto v = versions.Read(Program(arch + "_version"));
        ASSERT_TRUE(v.ok()) << arch;
        EXPECT_EQ(v->fileVersionMS, 0xFFFF8002u) << arch;
        EXPECT_EQ(v->fileVersionLS, 0x8003FFFEu) << arch;
        EXPECT_FALSE(versions.Read(Program(arch + "_plain")).ok()) << arch;
    }
}

TEST(LinuxPeReader, ThePngImageIsChosenForSixtyFourPixelsAndTheClassicOneForThirtyTwo) {
    if (!std::filesystem::exists(Program("x86_64_png_icon"))) GTEST_SKIP() << "no MinGW toolchain";
    const struct {
        int size, x, y;
        std::uint32_t rgb;
    } cases[] = {{64, 32, 32, 0x00C800}, {64, 4, 4, 0x0D1119}, {32, 16, 10, 0xE04020}, {32, 16, 20, 0x20C0F0}};
    for (const auto& c : cases) {
        const auto r = LinuxIcons().RenderFirstIcon(Program("x86_64_png_icon"), c.size, 0x0D1119);
        ASSERT_TRUE(r.ok() && r->has_value()) << c.size << r.error();
        const Bitmap bitmap{**r};
        EXPECT_EQ(bitmap.Size(), std::to_string(c.size) + "x" + std::to_string(c.size));
        EXPECT_EQ(bitmap.Rgb(c.x, c.y), c.rgb) << c.size << " at " << c.x << "," << c.y;
    }
}

TEST(LinuxPeReader, CutsOfARealProgramGiveTheWholeAnswerOrNone) {
    if (!std::filesystem::exists(Program("x86_64_icon"))) GTEST_SKIP() << "no MinGW toolchain";
    Scratch tmp;
    const std::string cut = tmp.In("cut.exe");
    int cuts = 0, versions = 0, icons = 0;
    for (const char* program : {"x86_64_version", "x86_64_icon"}) {
        const std::string full = Scratch::ReadRaw(Program(program)).value_or("");
        for (std::size_t n = 0; n < full.size(); n += 499, ++cuts) {
            Scratch::WriteRaw(cut, full.substr(0, n));
            // A cut may lose the record or keep it whole, but never yields a wrong one.
            if (const auto v = LinuxVersionResource().Read(cut); v.ok()) {
                ++versions;
                EXPECT_EQ(v->fileVersionLS, 0x8003FFFEu) << n;
                EXPECT_GE(n, 0x400u);  // no headers, nothing to read
            }
            if (const auto r = LinuxIcons().RenderFirstIcon(cut, 64, 0x0D1119); r.ok() && r->has_value()) {
                ++icons;
                EXPECT_EQ(Bitmap{**r}.Rgb(32, 24), 0xE04020u) << n;
            }
        }
    }
    EXPECT_GT(versions, 0);
    EXPECT_GT(icons, 0);
    EXPECT_LT(versions + icons, cuts) << "some cuts do lose them";
}

TEST(LinuxPeReader, TheWindowsProductCarriesOurVersion) {
    const char* exe = std::getenv("PANKOR_WIN32_EXE");
    if (exe == nullptr || !std::filesystem::exists(exe)) GTEST_SKIP() << "the win32 product is not built";
    const auto v = LinuxVersionResource().Read(exe);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v->fileVersionMS, (static_cast<std::uint32_t>(kVersionMajor) << 16) | kVersionMinor);
    EXPECT_EQ(v->fileVersionLS, static_cast<std::uint32_t>(kVersionRevision));  // the third part is always 0
}

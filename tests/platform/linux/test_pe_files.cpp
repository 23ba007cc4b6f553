// The portable PE reader behind the Linux version and icon services, on
// programs of both MinGW toolchains, on every cut of them, and on the product.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "ContractSupport.h"
#include "TestSupport.h"
#include "core/PankorVersion.h"
#include "platform/linux/LinuxIcons.h"
#include "platform/linux/LinuxVersionResource.h"

using namespace pankor;
using pankor::contract::Bitmap;
using pankor::testing::ReadAll;
using pankor::testing::TempFolder;
using pankor::testing::WriteAll;

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
        EXPECT_EQ(v->fileVersionLS, 0x0003FFFEu) << arch;
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
        const Bitmap bitmap(**r);
        ASSERT_TRUE(bitmap.Valid());
        EXPECT_EQ(bitmap.Rgb(c.x, c.y), c.rgb) << c.size << " at " << c.x << "," << c.y;
    }
}

TEST(LinuxPeReader, CutsOfARealProgramGiveTheWholeAnswerOrNone) {
    if (!std::filesystem::exists(Program("x86_64_icon"))) GTEST_SKIP() << "no MinGW toolchain";
    TempFolder tmp;
    const std::string cut = tmp / "cut.exe";
    // A cut may lose the record or keep it whole, but never yields a wrong one.
    const struct {
        const char* program;
        std::size_t step;
        std::function<bool()> readable;  // false: nothing read; a wrong answer fails inside
    } cases[] = {
        {"x86_64_version", 509,
         [&] {
             const auto v = LinuxVersionResource().Read(cut);
             if (!v.ok()) return false;
             EXPECT_EQ(v->fileVersionMS, 0xFFFF8002u);
             EXPECT_EQ(v->fileVersionLS, 0x0003FFFEu);
             return true;
         }},
        {"x86_64_icon", 997,
         [&] {
             const auto r = LinuxIcons().RenderFirstIcon(cut, 64, 0x0D1119);
             if (!r.ok() || !r->has_value()) return false;
             EXPECT_EQ(Bitmap(**r).Rgb(32, 24), 0xE04020u);
             return true;
         }},
    };
    for (const auto& c : cases) {
        const std::string full = ReadAll(Program(c.program));
        int readable = 0, cuts = 0;
        for (std::size_t n = 0; n < full.size(); n += c.step, ++cuts) {
            WriteAll(cut, full.substr(0, n));
            const bool read = c.readable();
            if (n < 0x400) {
                EXPECT_FALSE(read) << c.program << " cut at " << n;  // no headers, nothing to read
            }
            readable += read ? 1 : 0;
        }
        EXPECT_LT(readable, cuts) << c.program << ": some cuts do lose it";
    }
}

TEST(LinuxPeReader, TheWindowsProductCarriesOurVersion) {
    const char* exe = std::getenv("PANKOR_WIN32_EXE");
    if (exe == nullptr || !std::filesystem::exists(exe)) GTEST_SKIP() << "the win32 product is not built";
    const auto v = LinuxVersionResource().Read(exe);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v->fileVersionMS, (static_cast<std::uint32_t>(kVersionMajor) << 16) | kVersionMinor);
    EXPECT_EQ(v->fileVersionLS, static_cast<std::uint32_t>(kVersionRevision));  // the third part is always 0
}

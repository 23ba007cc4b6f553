#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "core/PankorVersion.h"
#include "platform/linux/LinuxVersionResource.h"

using namespace pankor;
using pankor::testing::TempFolder;

TEST(LinuxVersionResource, ReadsProgramsBuiltByBothMinGWToolchains) {
    LinuxVersionResource versions;
    for (const char* arch : {"i686", "x86_64"}) {
        const std::string with = std::string(PE_FIXTURE_DIR) + "/" + arch + "_with_version.exe";
        const std::string without = std::string(PE_FIXTURE_DIR) + "/" + arch + "_no_version.exe";
        if (!std::filesystem::exists(with)) GTEST_SKIP() << "no MinGW toolchain for " << arch;
        const auto v = versions.Read(with);
        ASSERT_TRUE(v.ok()) << arch;
        EXPECT_EQ(v->fileVersionMS, 0xFFFF0002u) << arch;
        EXPECT_EQ(v->fileVersionLS, 0x0003FFFEu) << arch;
        EXPECT_FALSE(versions.Read(without).ok()) << arch;
    }
}

TEST(LinuxVersionResource, TruncatedCopiesOfARealProgramNeverGiveAWrongVersion) {
    const std::string with = std::string(PE_FIXTURE_DIR) + "/x86_64_with_version.exe";
    if (!std::filesystem::exists(with)) GTEST_SKIP() << "no MinGW toolchain";
    std::ifstream in(with, std::ios::binary);
    const std::string full((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TempFolder tmp;
    LinuxVersionResource versions;
    int readable = 0;
    for (std::size_t n = 0; n < full.size(); n += 509) {
        std::ofstream(tmp / "cut.exe", std::ios::binary | std::ios::trunc)
            .write(full.data(), static_cast<std::streamsize>(n));
        const auto v = versions.Read(tmp / "cut.exe");
        // A cut may lose the record or keep it whole, but never yields a wrong one.
        if (n < 0x400) {
            EXPECT_FALSE(v.ok()) << n;
        }
        if (!v.ok()) continue;
        ++readable;
        EXPECT_EQ(v->fileVersionMS, 0xFFFF0002u) << n;
        EXPECT_EQ(v->fileVersionLS, 0x0003FFFEu) << n;
    }
    EXPECT_LT(readable, static_cast<int>(full.size() / 509));  // some cuts do lose it
    EXPECT_FALSE(versions.Read(tmp.path()).ok());              // a folder
    EXPECT_FALSE(versions.Read(tmp / "missing.exe").ok());
}

TEST(LinuxVersionResource, TheWindowsProductCarriesOurVersion) {
    const char* exe = std::getenv("PANKOR_WIN32_EXE");
    if (exe == nullptr || !std::filesystem::exists(exe)) GTEST_SKIP() << "the win32 product is not built";
    const auto v = LinuxVersionResource().Read(exe);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v->fileVersionMS, (static_cast<std::uint32_t>(kVersionMajor) << 16) | kVersionMinor);
    EXPECT_EQ(v->fileVersionLS, static_cast<std::uint32_t>(kVersionRevision));  // the third part is always 0
}

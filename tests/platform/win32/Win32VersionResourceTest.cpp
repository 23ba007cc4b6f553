// Version resources of real executables: the product itself and fixtures.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/Win32VersionResource.h"
#include "startup/Pankor.h"

namespace pankor {
namespace {

TEST(Win32VersionResourceTest, ProductCarriesTheProjectVersion) {
    const Result<FixedFileVersion> v = Win32VersionResource().Read(test::WindowsPath(PANKOR_EXE_PATH));
    ASSERT_TRUE(v.ok()) << v.error();
    EXPECT_EQ(v->fileVersionMS, (std::uint32_t{PANKOR_VERSION_MAJOR} << 16) | PANKOR_VERSION_MINOR);
    EXPECT_EQ(v->fileVersionLS, (std::uint32_t{PANKOR_VERSION_PATCH} << 16) | PANKOR_VERSION_TWEAK);
}

TEST(Win32VersionResourceTest, LargestPartsKeepAllBits) {
    const Result<FixedFileVersion> v = Win32VersionResource().Read(test::WindowsPath(VERSION_FIXTURE_PATH));
    ASSERT_TRUE(v.ok()) << v.error();
    EXPECT_EQ(v->fileVersionMS, 0xFFFFFFFFu);
    EXPECT_EQ(v->fileVersionLS, 0xFFFFFFFEu);

    // Through the core, as the rest of the program sees it.
    NativePlatform native;
    Pankor app(native.Get());
    EXPECT_EQ(app.version.FileVersion(test::WindowsPath(VERSION_FIXTURE_PATH)), "65535.65535.65535.65534");
}

TEST(Win32VersionResourceTest, FailsWithoutAResource) {
    Win32VersionResource versions;
    test::TempFolder dir;
    test::WriteWhole(dir.Join("text.exe"), "MZ but not a program");
    // A program built without any version resource (the replace helper), a
    // missing file, a file that is no program, no path at all.
    for (const std::string& path :
         {test::WindowsPath(REPLACE_HELPER_PATH), dir.Join("missing.exe"), dir.Join("text.exe"), std::string()}) {
        const Result<FixedFileVersion> v = versions.Read(path);
        EXPECT_FALSE(v.ok()) << path;
        EXPECT_FALSE(v.error().empty()) << path;
        EXPECT_NE(v.code(), 0u) << path;
    }
}

}  // namespace
}  // namespace pankor

// Version resources of real executables: the product itself and fixtures.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/Win32VersionResource.h"
#include "startup/Pankor.h"

namespace pankor {
namespace {

TEST(Win32VersionResourceTest, ProductCarriesTheProjectVersion) {
    const std::optional<FixedFileVersion> v = Win32VersionResource().Read(test::WindowsPath(PANKOR_EXE_PATH));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->fileVersionMS, (std::uint32_t{PANKOR_VERSION_MAJOR} << 16) | PANKOR_VERSION_MINOR);
    EXPECT_EQ(v->fileVersionLS, (std::uint32_t{PANKOR_VERSION_PATCH} << 16) | PANKOR_VERSION_TWEAK);
}

TEST(Win32VersionResourceTest, LargestPartsKeepAllBits) {
    const std::optional<FixedFileVersion> v = Win32VersionResource().Read(test::WindowsPath(VERSION_FIXTURE_PATH));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->fileVersionMS, 0xFFFFFFFFu);
    EXPECT_EQ(v->fileVersionLS, 0xFFFFFFFEu);

    // Through the core, as the rest of the program sees it.
    NativePlatform native;
    Pankor app(native.Get());
    EXPECT_EQ(app.version.FileVersion(test::WindowsPath(VERSION_FIXTURE_PATH)), "65535.65535.65535.65534");
}

TEST(Win32VersionResourceTest, NothingWithoutAResource) {
    Win32VersionResource versions;
    // A program built without any version resource: the replace helper.
    EXPECT_FALSE(versions.Read(test::WindowsPath(REPLACE_HELPER_PATH)).has_value());
    test::TempFolder dir;
    EXPECT_FALSE(versions.Read(dir.Join("missing.exe")).has_value());
    test::WriteWhole(dir.Join("text.exe"), "MZ but not a program");
    EXPECT_FALSE(versions.Read(dir.Join("text.exe")).has_value());
    EXPECT_FALSE(versions.Read("").has_value());
}

}  // namespace
}  // namespace pankor

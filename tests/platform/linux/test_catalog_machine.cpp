// The machine probes and icons of the Linux host against real processes and
// real Windows program files.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxIcons.h"
#include "platform/linux/LinuxProcesses.h"
#include "startup/Pankor.h"

using namespace pankor;
using pankor::testing::TempFolder;
using pankor::testing::WaitUntil;

namespace {

// Starts /bin/sleep under another first argument, as Wine starts a Windows program.
class Sleeper {
public:
    explicit Sleeper(const std::string& argv0) {
        std::string a0 = argv0, secs = "30";
        char* argv[] = {a0.data(), secs.data(), nullptr};
        if (posix_spawn(&pid_, "/bin/sleep", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
    }
    ~Sleeper() { Stop(); }
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
};

std::string Fixture(const std::string& name) { return std::string(PE_FIXTURE_DIR) + "/" + name; }

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The pixel at (x, y), top-left origin, of a 24-bit bottom-up bitmap file, as 0xRRGGBB.
std::uint32_t BmpPixel(const Bytes& bmp, int x, int y) {
    const int w = static_cast<int>(Le32(bmp, 18)), h = static_cast<int>(Le32(bmp, 22));
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    const std::size_t at = Le32(bmp, 10) + stride * static_cast<std::size_t>(h - 1 - y) + 3ull * x;
    return (bmp[at + 2] << 16) | (bmp[at + 1] << 8) | bmp[at];
}

}  // namespace

TEST(LinuxProcesses, NativeAndWineStartedProgramsAreListedByFileName) {
    LinuxProcesses processes;
    auto has = [&](const std::string& name) {
        const auto names = processes.ExecutableNames();
        return names.ok() && std::find(names->begin(), names->end(), name) != names->end();
    };
    EXPECT_FALSE(has("clock-pro.exe"));
    Sleeper wineStyle("C:\\users\\ann\\AppData\\Roaming\\Tarnwick\\Clock\\clock-pro.exe");
    Sleeper native("/opt/tools/Jotter.exe");
    ASSERT_TRUE(WaitUntil([&] { return has("clock-pro.exe") && has("Jotter.exe"); }));
    EXPECT_TRUE(has("pankor_linux_platform_tests"));  // a plain Linux program by its own name
    wineStyle.Stop();
    EXPECT_TRUE(WaitUntil([&] { return !has("clock-pro.exe"); }));
}

TEST(LinuxProcesses, TheRowsReportARunningInstalledApp) {
    TempFolder tmp;
    setenv("APPDATA", tmp.path().c_str(), 1);
    std::filesystem::create_directories(tmp / "Tarnwick/Clock");
    std::filesystem::copy_file(Fixture("x86_64_with_version.exe"), tmp / "Tarnwick/Clock/clock-pro.exe");
    NativePlatform native;
    Pankor app(native.Get());
    app.process.DataDir = tmp / "Pankor";
    std::filesystem::create_directory(app.process.DataDir);
    CatalogApp a;
    a.slug = "clock-pro";
    a.exe = "Tarnwick\\Clock\\clock-pro.exe";
    app.catalog.Apps = {a};
    app.catalog.AppCount = 1;
    EXPECT_TRUE(app.catalog.RefreshInstalled());
    EXPECT_EQ(app.catalog.Apps[0].installed, "65535.2.3.65534");
    EXPECT_EQ(app.catalog.AppsJson().find("\"running\":true"), std::string::npos);
    Sleeper running("C:\\Tarnwick\\Clock\\CLOCK-PRO.EXE");
    EXPECT_TRUE(WaitUntil([&] { return app.catalog.AppsJson().find("\"running\":true") != std::string::npos; }));
}

TEST(LinuxIcons, ThePngImageIsChosenForSixtyFourPixels) {
    if (!std::filesystem::exists(Fixture("x86_64_png_icon.exe"))) GTEST_SKIP() << "no MinGW toolchain";
    LinuxIcons icons;
    for (const char* arch : {"i686", "x86_64"}) {
        const auto r = icons.RenderFirstIcon(Fixture(std::string(arch) + "_png_icon.exe"), 64, 0x0D1119);
        ASSERT_TRUE(r.ok() && r->has_value()) << arch << r.error();
        const Bytes& bmp = **r;
        ASSERT_EQ(Le32(bmp, 18), 64u);
        EXPECT_EQ(BmpPixel(bmp, 0, 0), 0x0D1119u);    // transparent corner: the background
        EXPECT_EQ(BmpPixel(bmp, 32, 32), 0x00C800u);  // the green square
        EXPECT_EQ(bmp.size(), Le32(bmp, 2));
    }
}

TEST(LinuxIcons, AClassicImageIsStretchedOverTheBackground) {
    if (!std::filesystem::exists(Fixture("x86_64_dib_icon.exe"))) GTEST_SKIP() << "no MinGW toolchain";
    const auto r = LinuxIcons().RenderFirstIcon(Fixture("x86_64_dib_icon.exe"), 64, 0x0D1119);
    ASSERT_TRUE(r.ok() && r->has_value()) << r.error();
    EXPECT_EQ(BmpPixel(**r, 1, 1), 0x0D1119u);
    EXPECT_EQ(BmpPixel(**r, 32, 32), 0xFF0000u);  // the red disc, scaled up from 32 pixels
}

TEST(LinuxIcons, FilesWithoutIconsAndBrokenFilesGiveNone) {
    LinuxIcons icons;
    const auto none = [&](const std::string& path) {
        const auto r = icons.RenderFirstIcon(path, 64, 0);
        return r.ok() && !r->has_value();
    };
    EXPECT_TRUE(none(Fixture("x86_64_no_version.exe")));
    EXPECT_TRUE(none("/nonexistent/x.exe"));
    EXPECT_TRUE(none("/etc/hostname"));
    if (!std::filesystem::exists(Fixture("x86_64_png_icon.exe"))) return;
    std::ifstream in(Fixture("x86_64_png_icon.exe"), std::ios::binary);
    const std::string full((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TempFolder tmp;
    for (std::size_t n = 0; n < full.size(); n += 997) {
        std::ofstream(tmp / "cut.exe", std::ios::binary | std::ios::trunc)
            .write(full.data(), static_cast<std::streamsize>(n));
        const auto r = icons.RenderFirstIcon(tmp / "cut.exe", 64, 0x0D1119);
        if (r.ok() && r->has_value()) {
            EXPECT_EQ(BmpPixel(**r, 32, 32), 0x00C800u) << n;  // whole or nothing
        }
    }
}

TEST(LinuxIcons, ExtractAppIconWritesTheBitmapTheCardShows) {
    if (!std::filesystem::exists(Fixture("x86_64_png_icon.exe"))) GTEST_SKIP() << "no MinGW toolchain";
    TempFolder tmp;
    NativePlatform native;
    Pankor app(native.Get());
    app.process.DataDir = tmp.path();
    const std::string url = app.icons.ExtractAppIcon(Fixture("x86_64_png_icon.exe"), "tool");
    EXPECT_EQ(url, "file://" + tmp.path() + "/icons/tool.bmp");
    EXPECT_EQ(std::filesystem::file_size(tmp / "icons/tool.bmp"), 54u + 64 * 64 * 3);
}

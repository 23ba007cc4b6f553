// What only the Linux layer needs, against the real system: programs started by Wine, the registry's
// store file and autostart mirror, file modes, stand-ins for Windows folders and icons with a PNG image.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "ContractSupport.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxIcons.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxRegistry.h"

using namespace pankor;
using test::Scratch;

TEST(LinuxProcesses, WineStartedProgramsAreListedByTheirWindowsFileName) {
    const std::pair<std::string, std::string> cases[] = {// the first argument as Wine sets it, the name listed
                                                         {"Z:\\opt\\tools\\JOTTER-WINE.EXE", "JOTTER-WINE.EXE"},
                                                         {"/opt/tools/sleepy-wine.exe", "sleepy-wine.exe"}};
    for (auto [argv0, listed] : cases) {
        std::string seconds = "30";
        char* argv[] = {argv0.data(), seconds.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
        EXPECT_TRUE(contract::WaitUntil([&] {
            const std::vector<std::string> names = LinuxProcesses().ExecutableNames().value_or({});
            return std::find(names.begin(), names.end(), listed) != names.end();
        })) << argv0;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

TEST(LinuxRegistry, TheStoreLosesNoValueToConcurrentWritersAndReportsWhyItCannotBeWritten) {
    // Each writer rewrites the whole store: without its lock they would drop each other's values.
    // The last reader is a new instance: values live in the file.
    Scratch tmp;
    const auto name = [](int w, int i) { return "HKCU\\T\\v" + std::to_string(w) + "_" + std::to_string(i); };
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([&, w] {
            LinuxRegistry reg(tmp.In("registry.txt"));
            for (int i = 0; i < 25; ++i) (void)reg.WriteDword(name(w, i), i);
        });
    for (auto& t : writers) t.join();
    LinuxRegistry reg(tmp.In("registry.txt"));
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 25; ++i) EXPECT_EQ(reg.Read(name(w, i)).value_or("<none>"), std::to_string(i));
    EXPECT_TRUE(
        contract::Described(LinuxRegistry("/proc/pankor-cannot-write/registry.txt").WriteString("HKCU\\A\\B", "x")));
}

TEST(LinuxRegistry, TheManagersRunValueIsMirroredAsAnAutostartEntry) {
    Scratch tmp;
    LinuxRegistry reg(tmp.In("registry.txt"), tmp.In("autostart"));
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
    ASSERT_TRUE(reg.WriteString(run + "Pankor", "\"/opt/my apps/pankor\" /tray").ok());
    const std::string entry = Scratch::ReadRaw(tmp.In("autostart/pankor.desktop")).value_or("");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nExec=\"/opt/my apps/pankor\" /tray\n"), std::string::npos) << entry;
    ASSERT_TRUE(reg.WriteString(run + "Other", "x").ok());
    ASSERT_TRUE(reg.Remove(run + "Pankor").ok());
    EXPECT_TRUE(std::filesystem::is_empty(tmp.In("autostart")));  // gone, and no entry for the other value
}

TEST(LinuxFileSystem, ReplaceAndCopyKeepThePermissionsOfTheFileTheyReplace) {
    Scratch tmp;
    const std::string file = tmp.In("options.ini");
    Scratch::WriteRaw(file, "a");
    std::filesystem::permissions(file, std::filesystem::perms{0640});
    ASSERT_TRUE(LinuxFileSystem().ReplaceFile(file, "abc").ok());
    Scratch::WriteRaw(tmp.In("source.ini"), "b");
    ASSERT_TRUE(LinuxFileSystem().CopyFile(tmp.In("source.ini"), file).ok());
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms{0640});
}

TEST(LinuxEnvironment, WindowsFoldersFallBackToXdgOnes) {
    Scratch tmp;
    unsetenv("APPDATA");
    setenv("XDG_CONFIG_HOME", tmp.In("cfg").c_str(), 1);
    EXPECT_EQ(LinuxEnvironment().Get("APPDATA"), tmp.In("cfg"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.In("cfg")));  // made, as Windows always has it
    unsetenv("XDG_CONFIG_HOME");
}

// Which image of the group a size takes is IconImage's, tested on its own.
TEST(LinuxIcons, APngImageIsDrawnOverTheBackground) {
    const std::string program = std::string(CONTRACT_PROGRAM_DIR) + "/x86_64_png_icon.exe";
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "no MinGW toolchain";
    const auto r = LinuxIcons().RenderFirstIcon(program, 64, 0x0D1119);
    ASSERT_TRUE(r.ok() && r->has_value()) << r.error();
    const contract::Bitmap bitmap{**r};
    EXPECT_EQ(bitmap.Size(), "64x64");
    EXPECT_EQ(std::pair(bitmap.Rgb(32, 32), bitmap.Rgb(4, 4)), std::pair(0x00C800u, 0x0D1119u));
}

// Files on the Linux host: the atomic replace against a killed writer and
// file modes, and the environment's stand-ins for Windows folders.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "TestSupport.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxFileSystem.h"

using namespace pankor;
using pankor::testing::ChildProcess;
using pankor::testing::ReadAll;
using pankor::testing::TempFolder;

namespace {

std::vector<std::string> TempFilesBeside(const std::string& path) {
    std::vector<std::string> found;
    const std::filesystem::path p(path);
    for (const auto& e : std::filesystem::directory_iterator(p.parent_path()))
        if (e.path().filename().string().rfind(p.filename().string() + ".tmp-", 0) == 0) found.push_back(e.path());
    return found;
}

}  // namespace

TEST(LinuxFileSystem, ReplaceFileSurvivesAKillInTheMiddleOfALargeWrite) {
    TempFolder tmp;
    const std::string target = tmp / "state.ini";
    const std::string old = "consent=yes\r\ncatalogserial=41\r\n";
    ASSERT_TRUE(LinuxFileSystem().ReplaceFile(target, old).ok());

    bool killedMidWrite = false;
    for (int attempt = 0; attempt < 5 && !killedMidWrite; ++attempt) {
        ChildProcess writer({ATOMIC_WRITER_EXE, target, std::to_string(256u << 20)});
        ASSERT_TRUE(writer.started());
        ASSERT_EQ(writer.ReadLine(), "writing");
        // Kill it once its temporary file is there and growing.
        for (int i = 0; i < 20000 && !killedMidWrite; ++i) {
            const auto temps = TempFilesBeside(target);
            std::error_code ec;
            if (!temps.empty() && std::filesystem::file_size(temps.front(), ec) > (1u << 20)) {
                writer.Kill();
                killedMidWrite = writer.Wait() == -SIGKILL;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!killedMidWrite) {
            ASSERT_EQ(ReadAll(target).size(), 256u << 20);  // finished first: the whole new file
        }
        ASSERT_TRUE(LinuxFileSystem().ReplaceFile(target, old).ok());
        for (const auto& t : TempFilesBeside(target)) std::filesystem::remove(t);
    }
    ASSERT_TRUE(killedMidWrite) << "the writer always finished before it could be killed";
    EXPECT_EQ(ReadAll(target), old);
}

TEST(LinuxFileSystem, ReplaceFileKeepsThePermissionsOfTheFileItReplaces) {
    TempFolder tmp;
    LinuxFileSystem fs;
    const std::string file = tmp / "options.ini";
    ASSERT_TRUE(fs.ReplaceFile(file, "a").ok());
    chmod(file.c_str(), 0640);
    ASSERT_TRUE(fs.ReplaceFile(file, "abc").ok());
    struct stat st {};
    stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadAll(file), "abc");
}

TEST(LinuxEnvironment, WindowsFoldersFallBackToXdgOnes) {
    TempFolder tmp;
    const char* keepAppData = std::getenv("APPDATA");
    const char* keepXdg = std::getenv("XDG_CONFIG_HOME");
    unsetenv("APPDATA");
    setenv("XDG_CONFIG_HOME", (tmp / "cfg").c_str(), 1);
    LinuxEnvironment env;
    EXPECT_EQ(env.Get("APPDATA"), tmp / "cfg");
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "cfg"));  // made, as Windows always has it
    setenv("APPDATA", "/roaming", 1);
    EXPECT_EQ(env.Get("APPDATA"), "/roaming");
    EXPECT_FALSE(env.Get("PANKOR_SURELY_UNSET_VARIABLE").has_value());
    EXPECT_TRUE(env.Get("TEMP").has_value());
    keepAppData ? setenv("APPDATA", keepAppData, 1) : unsetenv("APPDATA");
    keepXdg ? setenv("XDG_CONFIG_HOME", keepXdg, 1) : unsetenv("XDG_CONFIG_HOME");
}

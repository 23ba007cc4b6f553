// Files on the Linux host: the atomic replace against a killed writer and
// file modes, and the environment's stand-ins for Windows folders.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

#include "ContractSupport.h"
#include "Scratch.h"
#include "base/TempFiles.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxFileSystem.h"

using namespace pankor;
using test::Scratch;

TEST(LinuxFileSystem, ReplaceFileSurvivesAKillInTheMiddleOfALargeWrite) {
    Scratch tmp;
    const std::string target = tmp.In("state.ini"), old = "consent=yes\r\ncatalogserial=41\r\n";
    const auto growing = [&] {  // the writer's temporary file
        for (const auto& e : std::filesystem::directory_iterator(tmp.Root()))
            if (std::error_code ec; IsTempFileName(e.path().filename().string()) && e.file_size(ec) > (1u << 20))
                return true;
        return false;
    };
    bool killedMidWrite = false;
    for (int attempt = 0; attempt < 5 && !killedMidWrite; ++attempt) {
        ASSERT_TRUE(LinuxFileSystem().ReplaceFile(target, old).ok());
        FILE* writer = popen(("exec " ATOMIC_WRITER_EXE " " + target + " 268435456").c_str(), "r");
        int pid = 0;
        ASSERT_EQ(std::fscanf(writer, "writing %d", &pid), 1);
        if (contract::WaitUntil(growing, 5)) kill(pid, SIGKILL);
        const int status = pclose(writer);
        killedMidWrite = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    ASSERT_TRUE(killedMidWrite) << "the writer always finished before it could be killed";
    EXPECT_EQ(Scratch::ReadRaw(target), old);
}

TEST(LinuxFileSystem, ReplaceFileKeepsThePermissionsOfTheFileItReplaces) {
    Scratch tmp;
    const std::string file = tmp.In("options.ini");
    ASSERT_TRUE(LinuxFileSystem().ReplaceFile(file, "a").ok());
    chmod(file.c_str(), 0640);
    ASSERT_TRUE(LinuxFileSystem().ReplaceFile(file, "abc").ok());
    struct stat st {};
    stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(LinuxEnvironment, WindowsFoldersFallBackToXdgOnes) {
    Scratch tmp;
    unsetenv("APPDATA");
    setenv("XDG_CONFIG_HOME", tmp.In("cfg").c_str(), 1);
    const LinuxEnvironment env;
    EXPECT_EQ(env.Get("APPDATA"), tmp.In("cfg"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.In("cfg")));  // made, as Windows always has it
    unsetenv("TEMP");
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(env.Get("TEMP"), "/var/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(env.Get("TEMP"), "/tmp");
    unsetenv("XDG_CONFIG_HOME");
}

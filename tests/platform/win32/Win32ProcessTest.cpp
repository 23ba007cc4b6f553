// Tests across processes: the single-instance lock and handoff with the real
// Pankor.exe, its version resource, and a replace that is killed half-way.
#include <gtest/gtest.h>

#include <process.h>

#include "TestSupport.h"
#include "base/TempFiles.h"
#include "platform/Platform.h"
#include "platform/win32/Win32InstanceLock.h"
#include "platform/win32/Win32VersionResource.h"
#include "startup/Pankor.h"

namespace pankor {
namespace {

using test::Scratch;
using test::Wide;

TEST(Win32ProcessTest, SecondCopyHandsItsRequestToTheRunningCopy) {
    // This test process plays the running copy.
    Win32InstanceLock lock;
    ASSERT_TRUE(lock.Acquire("Local\\Pankor.SingleInstance.v1").value_or(false)) << "another Pankor runs here";
    Scratch appData;
    SetEnvironmentVariableW(L"APPDATA", Wide(appData.Root()).c_str());  // inherited by the second copy
    const std::wstring exe = Wide(test::WindowsPath(PANKOR_EXE_PATH));
    EXPECT_EQ(_wspawnl(_P_WAIT, exe.c_str(), exe.c_str(), L"/debug", L"/installed=Clock-Pro", nullptr), 0);
    const std::string dataDir = appData.In("Pankor");
    const std::string log = Scratch::ReadRaw(dataDir + "\\debug.log").value_or("");
    EXPECT_NE(log.find("another Pankor already has the mutex"), std::string::npos) << log;
    EXPECT_NE(log.find("handoff posted: installed=clock-pro"), std::string::npos) << log;
    EXPECT_EQ(log.find("Pankor start"), std::string::npos) << "the second copy ran as the first:\n" << log;

    NativePlatform native;
    Pankor app(native.Get());
    app.process.DataDir = dataDir;
    EXPECT_EQ(app.instance.TakeHandoff(), "installed=clock-pro");
    EXPECT_FALSE(Scratch::ReadRaw(dataDir + "\\handoff.txt").has_value());
}

TEST(Win32ProcessTest, TheProductCarriesTheProjectVersion) {
    const Result<FixedFileVersion> v = Win32VersionResource().Read(test::WindowsPath(PANKOR_EXE_PATH));
    ASSERT_TRUE(v.ok()) << v.error();
    EXPECT_EQ(v->fileVersionMS, (std::uint32_t{PANKOR_VERSION_MAJOR} << 16) | PANKOR_VERSION_MINOR);
    EXPECT_EQ(v->fileVersionLS, (std::uint32_t{PANKOR_VERSION_PATCH} << 16) | PANKOR_VERSION_TWEAK);
}

TEST(Win32ProcessTest, KilledReplaceLeavesTheOldFileWhole) {
    Scratch dir;
    const std::string target = dir.In("state.ini"), old = "catalogserial=41\r\nnotify=1\r\n";
    bool killedMidway = false;
    // The helper may finish before it is caught; a larger text gives it longer.
    for (int mebibytes = 64; mebibytes <= 256 && !killedMidway; mebibytes *= 2) {
        Scratch::WriteRaw(target, old);
        const std::wstring helper = Wide(test::WindowsPath(REPLACE_HELPER_PATH));
        const auto process =
            reinterpret_cast<HANDLE>(_wspawnl(_P_NOWAIT, helper.c_str(), helper.c_str(), Wide(target).c_str(),
                                              std::to_wstring(mebibytes).c_str(), nullptr));
        ASSERT_NE(process, INVALID_HANDLE_VALUE) << "cannot start " << REPLACE_HELPER_PATH;
        const std::string temporary = "state.ini.tmp-" + std::to_string(GetProcessId(process)) + "-";
        const auto ended = [&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; };
        contract::WaitUntil([&] { return test::CountStartingWith(dir.Root(), temporary) > 0 || ended(); }, 60);
        if (!ended() && TerminateProcess(process, 77) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) {
            killedMidway = test::CountStartingWith(dir.Root(), temporary) == 1;  // the write was under way
            EXPECT_EQ(Scratch::ReadRaw(target), old);
        }  // else it won the race: try again with more to write
        WaitForSingleObject(process, 60000);
        CloseHandle(process);
    }
    EXPECT_TRUE(killedMidway) << "the helper was never caught in the middle of its write";
    // The leftover carries the name start-up sweeps by.
    for (const auto& e : std::filesystem::directory_iterator(test::FsPath(dir.Root()))) {
        const std::string name = test::Utf8(e.path().filename().wstring());
        EXPECT_TRUE(name == "state.ini" || IsTempFileName(name)) << name;
    }
}

}  // namespace
}  // namespace pankor

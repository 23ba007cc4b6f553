// Tests across processes: the single-instance lock and handoff with the real
// Pankor.exe, its version resource, and a replace that is killed half-way.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "base/TempFiles.h"
#include "platform/Platform.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32InstanceLock.h"
#include "platform/win32/Win32VersionResource.h"
#include "startup/Pankor.h"

namespace pankor {
namespace {

using test::Wide;

// A started child process; killed if a test leaves it running.
class Child {
public:
    Child(const std::string& exe, const std::string& arguments, const std::wstring* appData = nullptr) {
        std::wstring commandLine = L"\"" + Wide(exe) + L"\" " + Wide(arguments);
        std::wstring environment;
        if (appData) environment = EnvironmentWith(L"APPDATA", *appData);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        started_ =
            CreateProcessW(Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                           appData ? environment.data() : nullptr, nullptr, &si, &info_) != FALSE;
        if (started_) CloseHandle(info_.hThread);
    }
    ~Child() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return started_; }
    HANDLE Handle() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD Wait(DWORD milliseconds) const {
        WaitForSingleObject(info_.hProcess, milliseconds);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    // This process's environment block with one variable replaced.
    static std::wstring EnvironmentWith(const std::wstring& name, const std::wstring& value) {
        std::wstring block;
        wchar_t* current = GetEnvironmentStringsW();
        for (const wchar_t* p = current; p && *p; p += wcslen(p) + 1) {
            const std::wstring entry = p;
            if (_wcsnicmp(entry.c_str(), (name + L"=").c_str(), name.size() + 1) == 0) continue;
            block += entry;
            block += L'\0';
        }
        if (current) FreeEnvironmentStringsW(current);
        block += name + L"=" + value;
        block += L'\0';
        return block;  // the final NUL of the block is the string's own
    }

    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

TEST(Win32ProcessTest, SecondCopyHandsItsRequestToTheRunningCopy) {
    // This test process plays the running copy.
    Win32InstanceLock lock;
    const Result<bool> held = lock.Acquire("Local\\Pankor.SingleInstance.v1");
    ASSERT_TRUE(held.ok()) << held.error();
    ASSERT_TRUE(*held) << "another Pankor runs in this Wine prefix";

    test::TempFolder appData;
    const std::wstring appDataWide = test::Wide(appData.Path());
    {
        Child second(test::WindowsPath(PANKOR_EXE_PATH), "/debug /installed=Clock-Pro", &appDataWide);
        ASSERT_TRUE(second.Started()) << "cannot start " << PANKOR_EXE_PATH;
        EXPECT_EQ(second.Wait(60000), 0u);
    }

    const std::string dataDir = appData.Join("Pankor");
    const std::string log = test::ReadWhole(dataDir + "\\debug.log");
    EXPECT_NE(log.find("another Pankor already has the mutex"), std::string::npos) << log;
    EXPECT_NE(log.find("handoff posted: installed=clock-pro"), std::string::npos) << log;
    EXPECT_EQ(log.find("Pankor start"), std::string::npos) << "the second copy ran as the first:\n" << log;
    ASSERT_TRUE(test::Exists(dataDir + "\\handoff.txt"));

    NativePlatform native;
    Pankor app(native.Get());
    app.process.DataDir = dataDir;
    app.process.DebugMode = true;
    EXPECT_EQ(app.instance.TakeHandoff(), "installed=clock-pro");
    EXPECT_FALSE(test::Exists(dataDir + "\\handoff.txt"));
    EXPECT_EQ(app.instance.TakeHandoff(), "");
}

TEST(Win32ProcessTest, TheProductCarriesTheProjectVersion) {
    const Result<FixedFileVersion> v = Win32VersionResource().Read(test::WindowsPath(PANKOR_EXE_PATH));
    ASSERT_TRUE(v.ok()) << v.error();
    EXPECT_EQ(v->fileVersionMS, (std::uint32_t{PANKOR_VERSION_MAJOR} << 16) | PANKOR_VERSION_MINOR);
    EXPECT_EQ(v->fileVersionLS, (std::uint32_t{PANKOR_VERSION_PATCH} << 16) | PANKOR_VERSION_TWEAK);
}

TEST(Win32ProcessTest, KilledReplaceLeavesTheOldFileWhole) {
    test::TempFolder dir;
    const std::string target = dir.Join("state.ini");
    const std::string old = "catalogserial=41\r\nnotify=1\r\n";
    test::WriteWhole(target, old);

    bool killedMidway = false;
    // The helper may finish before it is caught; a larger text gives it longer.
    for (int mebibytes = 64; mebibytes <= 256 && !killedMidway; mebibytes *= 2) {
        Child helper(test::WindowsPath(REPLACE_HELPER_PATH), "\"" + target + "\" " + std::to_string(mebibytes));
        ASSERT_TRUE(helper.Started()) << "cannot start " << REPLACE_HELPER_PATH;
        const std::string pattern = "state.ini.tmp-" + std::to_string(helper.Id()) + "-*";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (test::CountMatches(dir.Path(), pattern) == 0 && helper.Running() &&
               std::chrono::steady_clock::now() < deadline)
            SwitchToThread();
        if (helper.Running() && TerminateProcess(helper.Handle(), 77)) {
            EXPECT_EQ(helper.Wait(10000), 77u);
            killedMidway = test::CountMatches(dir.Path(), pattern) == 1;  // the write was under way
            EXPECT_EQ(test::ReadWhole(target), old);
            if (killedMidway) {
                // The leftover carries the name start-up sweeps by.
                const Result<std::vector<FolderEntry>> listed = Win32FileSystem().ListFolder(dir.Path());
                ASSERT_TRUE(listed.ok()) << listed.error();
                int leftovers = 0;
                for (const FolderEntry& e : *listed) leftovers += IsTempFileName(e.name) ? 1 : 0;
                EXPECT_EQ(leftovers, 1);
            }
        } else {
            EXPECT_EQ(helper.Wait(10000), 0u);
            test::WriteWhole(target, old);  // it won the race: try again with more to write
        }
    }
    EXPECT_TRUE(killedMidway) << "the helper was never caught in the middle of its write";
    EXPECT_EQ(test::ReadWhole(target), old);
}

}  // namespace
}  // namespace pankor

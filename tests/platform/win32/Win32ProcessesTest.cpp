// The running-program list and the Wine probe against the real system.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "TestSupport.h"
#include "platform/win32/Win32Processes.h"

namespace pankor {
namespace {

bool Listed(Win32Processes& processes, const std::string& name) {
    const Result<std::vector<std::string>> names = processes.ExecutableNames();
    EXPECT_TRUE(names.ok()) << names.error();
    if (!names.ok()) return false;
    return std::find(names->begin(), names->end(), name) != names->end();
}

// Polls for a change the system may show a moment late.
bool Becomes(Win32Processes& processes, const std::string& name, bool listed) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Listed(processes, name) != listed) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(50);
    }
    return true;
}

TEST(Win32ProcessesTest, ListsRunningProgramsByFileName) {
    Win32Processes processes;

    wchar_t own[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, own, MAX_PATH), 0u);
    const std::wstring ownPath = own;
    const std::string ownName = test::Utf8(ownPath.substr(ownPath.find_last_of(L'\\') + 1));
    const Result<std::vector<std::string>> names = processes.ExecutableNames();
    ASSERT_TRUE(names.ok()) << names.error();
    EXPECT_NE(std::find(names->begin(), names->end(), ownName), names->end()) << ownName;
    for (const std::string& name : *names) {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find('\\'), std::string::npos) << name << " carries a folder";
    }

    // A program under a name nothing else runs with, started and ended here.
    test::TempFolder dir;
    const std::string exe = dir.Join("clock-pro-test.exe");
    ASSERT_TRUE(CopyFileW(test::Wide(test::WindowsPath(ICON_FIXTURE_PATH)).c_str(), test::Wide(exe).c_str(), FALSE));
    EXPECT_FALSE(Listed(processes, "clock-pro-test.exe"));

    std::wstring commandLine = L"\"" + test::Wide(exe) + L"\" 60000";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(test::Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &child));
    CloseHandle(child.hThread);
    EXPECT_TRUE(Becomes(processes, "clock-pro-test.exe", true));
    EXPECT_FALSE(Listed(processes, "pro-test.exe")) << "only whole names may match";

    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hProcess);
    EXPECT_TRUE(Becomes(processes, "clock-pro-test.exe", false));
}

TEST(Win32ProcessesTest, KnowsWhenItRunsUnderWine) {
    // Every Wine prefix has this key; Windows has none.
    HKEY key = nullptr;
    const bool wineRegistry = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    EXPECT_EQ(Win32Processes().IsWine(), wineRegistry);
}

}  // namespace
}  // namespace pankor

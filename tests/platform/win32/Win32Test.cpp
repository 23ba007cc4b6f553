// What only the Win32 layer needs, looked at with the plain API: a replace beside a reader holding the
// file, appends beside another handle, registry value types, the command line and the ANSI code page.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "TestSupport.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Text.h"

namespace pankor {
namespace {

using test::Scratch;

HANDLE OpenShared(const std::string& path, DWORD access) {
    return CreateFileW(test::Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Win32Test : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str()); }
    std::string Path(const wchar_t* value) const { return "HKCU\\" + test::Utf8(subKey_ + L"\\" + value); }
    const std::wstring subKey_ = L"Software\\Tarnwick\\PankorPlatformTest-" + std::to_wstring(GetCurrentProcessId());
    Win32Registry reg_;
    Scratch dir_;
    Win32FileSystem fs_;
};

TEST_F(Win32Test, AReplaceWaitsForAReaderHoldingTheFileAndLeavesNoTemporary) {
    const std::string path = dir_.In("state.ini");
    Scratch::WriteRaw(path, "old");
    const HANDLE reader = OpenShared(path, GENERIC_READ);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::string seen(16, '\0');
    DWORD got = 0;
    std::thread readerThread([&] {  // lets go while the writer waits
        Sleep(300);
        ::ReadFile(reader, seen.data(), 16, &got, nullptr);
        CloseHandle(reader);
    });
    const Status s = fs_.ReplaceFile(path, "new text");
    readerThread.join();
    EXPECT_TRUE(s.ok()) << s.error();
    EXPECT_EQ(seen.substr(0, got), "old");  // whole, never half written
    EXPECT_EQ(Scratch::ReadRaw(path), "new text");
    EXPECT_EQ(contract::Leftovers(fs_, dir_.Root()), 0);
}

TEST_F(Win32Test, AppendFileLandsAtTheEndBesideAnotherAppender) {
    const std::string path = dir_.In("debug.log");
    ASSERT_TRUE(fs_.AppendFile(path, "one\r\n").ok());
    const HANDLE other = OpenShared(path, FILE_APPEND_DATA);  // another process's log handle, left open
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(other, "two\r\n", 5, &n, nullptr) && fs_.AppendFile(path, "three\r\n").ok() &&
                WriteFile(other, "four\r\n", 6, &n, nullptr));
    CloseHandle(other);
    EXPECT_EQ(Scratch::ReadRaw(path), "one\r\ntwo\r\nthree\r\nfour\r\n");
}

// Numbers as DWORDs: the browser feature values the Wine run of Pankor.exe queries.
TEST_F(Win32Test, TextIsStoredAsUnicodeWithItsNul) {
    const std::wstring wide = L"Gr\u00FC\u00DFe \u6771\u4EAC";
    ASSERT_TRUE(reg_.WriteString(Path(L"Text"), test::Utf8(wide)).ok());
    HKEY key = nullptr;  // read raw: RegGetValueW would add a missing NUL
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t data[32] = {};
    DWORD type = 0, size = sizeof data;
    const LSTATUS read = RegQueryValueExW(key, L"Text", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    EXPECT_EQ(std::tuple(read, type, std::wstring(data, size / 2)), std::tuple(ERROR_SUCCESS, REG_SZ, wide + L'\0'));
}

TEST_F(Win32Test, ValuesOtherProgramsStoredExistAndReadAsTextWhereTheyAreText) {
    // An autostart entry of another program may be stored as any of these.
    const wchar_t bare[] = {L'a', L'b', L'c'};  // a string without its terminating NUL
    const wchar_t expand[] = L"%TEMP%\\x", multi[] = L"one\0two\0";
    const std::tuple<const wchar_t*, DWORD, const void*, DWORD, std::optional<std::string>> cases[] = {
        {L"Bare", REG_SZ, bare, sizeof(bare), "abc"},
        {L"Expand", REG_EXPAND_SZ, expand, sizeof(expand), "%TEMP%\\x"},
        {L"Multi", REG_MULTI_SZ, multi, sizeof(multi), std::nullopt}};  // not one text: refused, as other types are
    for (const auto& [name, type, data, size, text] : cases) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, subKey_.c_str(), name, type, data, size), ERROR_SUCCESS);
        const Result<std::string> read = reg_.Read(Path(name));
        EXPECT_TRUE(reg_.Exists(Path(name)) && (read.ok() || !read.error().empty())) << Path(name);
        EXPECT_EQ(read.ok() ? std::optional(*read) : std::nullopt, text) << Path(name) << read.error();
    }
}

TEST(Win32System, TheCommandLineStartsAfterTheProgramName) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"\"C:\\Program Files\\Pankor\\Pankor.exe\" /debug /tray", L"/debug /tray"},
        {L"\"C:\\Pankor.exe\"/tray", L"/tray"},
        {L"C:\\Pankor\\Pankor.exe   /installed=clock  ", L"/installed=clock  "},
        {L"Pankor.exe\t/debug", L"/debug"},
        {L"\"C:\\unterminated /debug", L""}};
    for (const auto& [line, rest] : cases) EXPECT_EQ(SkipProgramName(line), rest) << test::Utf8(line);
}

TEST(Win32System, NativeTextIsInTheAnsiCodePageAndUnreadableUtf8IsMarked) {
    Win32System sys;
    const std::string e = "\xC3\xA9";  // é
    if (GetACP() == 1252) {
        EXPECT_EQ(sys.ToNativeText("caf" + e + "=1\r\n"), "caf\xE9=1\r\n");
        EXPECT_EQ(sys.FromNativeText("\xE9"), e);
    }
    EXPECT_NE(sys.ToNativeText(e), e) << "code page " << GetACP() << " stores é as in UTF-8";
    EXPECT_EQ(win32::FromWide(L"\u20AC").value_or(""), "\xE2\x82\xAC");
    EXPECT_EQ(win32::ToWide("a\xFF\x62").value_or(L""), L"a\uFFFDb");  // invalid UTF-8 is marked, not dropped
}

}  // namespace
}  // namespace pankor

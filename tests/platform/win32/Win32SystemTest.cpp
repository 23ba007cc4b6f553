// Process values, text conversion and environment of the Win32 layer.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Text.h"

namespace pankor {
namespace {

TEST(Win32SystemTest, CommandLineStartsAfterTheProgramName) {
    const struct {
        const wchar_t* line;
        const wchar_t* rest;
    } cases[] = {
        {L"\"C:\\Program Files\\Pankor\\Pankor.exe\" /debug /tray", L"/debug /tray"},
        {L"\"C:\\Pankor.exe\"/tray", L"/tray"},
        {L"C:\\Pankor\\Pankor.exe   /installed=clock  ", L"/installed=clock  "},
        {L"Pankor.exe\t/debug", L"/debug"},
        {L"Pankor.exe", L""},
        {L"\"C:\\Program Files\\Pankor.exe\"", L""},
        {L"\"C:\\unterminated /debug", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(SkipProgramName(c.line), c.rest) << test::Utf8(c.line);
}

TEST(Win32SystemTest, ExecutablePathNamesThisProgram) {
    const std::string path = Win32System().ExecutablePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_NE(path.find('\\'), std::string::npos);
    EXPECT_NE(GetFileAttributesW(test::Wide(path).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32SystemTest, UtcNowCountsSecondsSince1970InUtc) {
    Win32System sys;
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    const DateTime reference{utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond};
    const std::int64_t now = sys.UtcNow();
    EXPECT_LE(std::llabs(now - reference.SerialSeconds()), 5) << now;

    // The tests run far from UTC: the local clock is the zone's offset away.
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    const long bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);  // minutes, UTC - local
    ASSERT_NE(bias, 0) << "the test expects a local time zone other than UTC";
    EXPECT_LE(std::llabs(sys.LocalNow().SerialSeconds() + bias * 60LL - sys.UtcNow()), 5);
}

TEST(Win32SystemTest, AnsiTextRoundTrips) {
    Win32System sys;
    const std::string e = "\xC3\xA9";  // é
    if (GetACP() == 1252) {
        EXPECT_EQ(sys.ToNativeText(e), "\xE9");
        EXPECT_EQ(sys.FromNativeText("\xE9"), e);
        EXPECT_EQ(sys.ToNativeText("caf" + e + "=1\r\n"), "caf\xE9=1\r\n");
    }
    const std::string native = sys.ToNativeText(e);
    EXPECT_NE(native, e) << "code page " << GetACP() << " stores é as in UTF-8";
    EXPECT_EQ(sys.FromNativeText(native), e);
    EXPECT_EQ(sys.FromNativeText(sys.ToNativeText("plain text")), "plain text");
    EXPECT_EQ(sys.ToNativeText(""), "");
    EXPECT_EQ(sys.FromNativeText(""), "");
}

TEST(Win32SystemTest, DpiAwarenessAndScreenScale) {
    Win32System sys;
    EXPECT_TRUE(sys.DeclareDpiAware());
    const int dpi = sys.ScreenDpi();
    EXPECT_GE(dpi, 0);
    EXPECT_LE(dpi, 960);
    sys.AllowAnyForeground();  // must not disturb anything without a window
}

TEST(Win32EnvironmentTest, ValuesUnsetAndEmptyAreTold) {
    Win32Environment env;
    const std::wstring name = L"PANKOR_W32TEST_" + std::to_wstring(GetCurrentProcessId());
    const std::string utf8Name = test::Utf8(name);

    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), L"Z\u00FCrich \u6771\u4EAC"));
    EXPECT_EQ(env.Get(utf8Name).value_or("<unset>"), "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC");

    const std::wstring longValue(5000, L'x');  // longer than any first guess of a buffer
    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), longValue.c_str()));
    EXPECT_EQ(env.Get(utf8Name).value_or("").size(), 5000u);

    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), L""));
    const std::optional<std::string> empty = env.Get(utf8Name);
    if (GetEnvironmentVariableW(name.c_str(), nullptr, 0) > 0) {  // the system keeps empty variables
        ASSERT_TRUE(empty.has_value());
        EXPECT_EQ(*empty, "");
    }

    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), nullptr));
    EXPECT_FALSE(env.Get(utf8Name).has_value());
    EXPECT_FALSE(env.Get("").has_value());
}

TEST(Win32TextTest, ConversionsMarkWhatTheyCannotRead) {
    EXPECT_EQ(win32::ToWide("\xE2\x82\xAC").value_or(L""), L"\u20AC");
    EXPECT_EQ(win32::FromWide(L"\u20AC").value_or(""), "\xE2\x82\xAC");
    EXPECT_EQ(win32::ToWide("a\xFF"
                            "b")
                  .value_or(L""),
              L"a\uFFFDb");  // invalid UTF-8 is marked, not dropped
    EXPECT_FALSE(win32::WidePath(std::string("a\0b", 3)).has_value());
}

}  // namespace
}  // namespace pankor

// What only the Win32 system values need: the command line after the
// program name, and text in the ANSI code page and UTF-16.
#include <gtest/gtest.h>

#include "TestSupport.h"
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

TEST(Win32SystemTest, NativeTextIsInTheAnsiCodePage) {
    Win32System sys;
    const std::string e = "\xC3\xA9";  // é
    if (GetACP() == 1252) {
        EXPECT_EQ(sys.ToNativeText("caf" + e + "=1\r\n"), "caf\xE9=1\r\n");
        EXPECT_EQ(sys.FromNativeText("\xE9"), e);
    }
    EXPECT_NE(sys.ToNativeText(e), e) << "code page " << GetACP() << " stores é as in UTF-8";
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

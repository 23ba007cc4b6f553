// What only the Win32 registry needs: the types values are stored with, and
// values other programs stored, looked at with the plain API.
#include <gtest/gtest.h>

#include <optional>

#include "TestSupport.h"
#include "platform/win32/Win32Registry.h"

namespace pankor {
namespace {

using test::Wide;

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str()); }
    std::string Path(const wchar_t* value) const { return "HKCU\\" + test::Utf8(subKey_ + L"\\" + value); }
    // The stored type and bytes.
    std::pair<DWORD, std::vector<BYTE>> Raw(const wchar_t* value) const {
        DWORD type = 0, size = 64;
        std::vector<BYTE> data(size);
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), value, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(),
                               &size),
                  ERROR_SUCCESS);
        data.resize(size);
        return {type, data};
    }
    const std::wstring subKey_ = L"Software\\Tarnwick\\PankorPlatformTest-" + std::to_wstring(GetCurrentProcessId());
    Win32Registry reg_;
};

TEST_F(RegistryTest, TextIsStoredAsUnicodeWithItsNulAndNumbersAsDwords) {
    const std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE6\x9D\xB1\xE4\xBA\xAC";  // Grüße 東京
    ASSERT_TRUE(reg_.WriteString(Path(L"Text"), text).ok());
    ASSERT_TRUE(reg_.WriteDword(Path(L"Number"), -2).ok());
    const std::wstring wide = Wide(text) + L'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(wide.data());
    EXPECT_EQ(Raw(L"Text"), std::make_pair(DWORD{REG_SZ}, std::vector<BYTE>(bytes, bytes + wide.size() * 2)));
    EXPECT_EQ(Raw(L"Number"), std::make_pair(DWORD{REG_DWORD}, std::vector<BYTE>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(RegistryTest, ValuesOtherProgramsStoredExistAndReadAsTextWhereTheyAreText) {
    // An autostart entry of another program may be stored as any of these.
    const wchar_t bare[] = {L'a', L'b', L'c'};  // a string without its terminating NUL
    const wchar_t expand[] = L"%TEMP%\\x", multi[] = L"one\0two\0";
    const BYTE binary[] = {1, 2, 3};
    const unsigned long long qword = 5;
    const std::tuple<const wchar_t*, DWORD, const void*, DWORD, std::optional<std::string>> cases[] = {
        {L"Bare", REG_SZ, bare, sizeof(bare), "abc"},
        {L"Expand", REG_EXPAND_SZ, expand, sizeof(expand), "%TEMP%\\x"},
        {L"Multi", REG_MULTI_SZ, multi, sizeof(multi), std::nullopt},  // nothing: Read refuses it
        {L"Binary", REG_BINARY, binary, sizeof(binary), std::nullopt},
        {L"Qword", REG_QWORD, &qword, sizeof(qword), std::nullopt},
        {L"NoData", REG_BINARY, nullptr, 0, std::nullopt}};
    for (const auto& [name, type, data, size, text] : cases) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, subKey_.c_str(), name, type, data, size), ERROR_SUCCESS);
        EXPECT_TRUE(reg_.Exists(Path(name))) << Path(name);
        const Result<std::string> read = reg_.Read(Path(name));
        EXPECT_EQ(read.ok() ? std::optional(*read) : std::nullopt, text) << Path(name) << read.error();
        EXPECT_TRUE(read.ok() || !read.error().empty()) << Path(name);
    }
}

}  // namespace
}  // namespace pankor

// What only the Win32 registry needs: the types values are stored with, and
// values other programs stored, read with the plain API.
#include <gtest/gtest.h>

#include <optional>

#include "TestSupport.h"
#include "platform/win32/Win32Registry.h"

namespace pankor {
namespace {

using test::Wide;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str()); }

    std::string Path(const std::string& value) const { return "HKCU\\" + test::Utf8(subKey_) + "\\" + value; }

    // The stored type and bytes.
    bool RawQuery(const wchar_t* value, DWORD& type, std::vector<BYTE>& data) const {
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        LSTATUS s = RegQueryValueExW(h, value, nullptr, &type, nullptr, &size);
        data.assign(size, 0);
        if (s == ERROR_SUCCESS) s = RegQueryValueExW(h, value, nullptr, &type, data.data(), &size);
        RegCloseKey(h);
        return s == ERROR_SUCCESS;
    }

    void RawSet(const wchar_t* value, DWORD type, const void* data, DWORD size) const {
        HKEY h = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(h, value, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(h);
    }

    std::wstring subKey_ = L"Software\\Tarnwick\\PankorPlatformTest-" + std::to_wstring(GetCurrentProcessId());
    Win32Registry reg_;
};

TEST_F(RegistryTest, TextIsStoredAsUnicodeWithItsNulAndNumbersAsDwords) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x9D\xB1\xE4\xBA\xAC";  // Grüße 東京
    ASSERT_TRUE(reg_.WriteString(Path("Text"), text).ok());
    ASSERT_TRUE(reg_.WriteDword(Path("Number"), -2).ok());
    DWORD type = 0;
    std::vector<BYTE> raw;
    ASSERT_TRUE(RawQuery(L"Text", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    const std::wstring wide = Wide(text) + L'\0';
    EXPECT_EQ(raw, std::vector<BYTE>(reinterpret_cast<const BYTE*>(wide.data()),
                                     reinterpret_cast<const BYTE*>(wide.data() + wide.size())));
    ASSERT_TRUE(RawQuery(L"Number", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw, (std::vector<BYTE>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(RegistryTest, ValuesOtherProgramsStoredExistAndReadAsTextWhereTheyAreText) {
    // An autostart entry of another program may be stored as any of these.
    const wchar_t bare[] = {L'a', L'b', L'c'};  // a string without its terminating NUL
    const wchar_t expand[] = L"%TEMP%\\x";
    const wchar_t multi[] = L"one\0two\0";
    const BYTE binary[] = {1, 2, 3};
    const unsigned long long qword = 5;
    const struct {
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD size;
        std::optional<std::string> text;  // nothing: Read refuses it
    } cases[] = {
        {L"Bare", REG_SZ, bare, sizeof(bare), "abc"},
        {L"Expand", REG_EXPAND_SZ, expand, sizeof(expand), "%TEMP%\\x"},
        {L"Multi", REG_MULTI_SZ, multi, sizeof(multi), std::nullopt},
        {L"Binary", REG_BINARY, binary, sizeof(binary), std::nullopt},
        {L"Qword", REG_QWORD, &qword, sizeof(qword), std::nullopt},
        {L"NoData", REG_BINARY, nullptr, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        RawSet(c.name, c.type, c.data, c.size);
        const std::string path = Path(test::Utf8(c.name));
        EXPECT_TRUE(reg_.Exists(path)) << path;
        const Result<std::string> read = reg_.Read(path);
        if (c.text) {
            EXPECT_EQ(read.value_or("<failed>"), *c.text) << path;
        } else {
            EXPECT_FALSE(read.ok()) << path;
            EXPECT_FALSE(read.error().empty()) << path;
        }
    }
}

}  // namespace
}  // namespace pankor

// The registry service against the real (Wine) registry, under a key of its own.
#include <gtest/gtest.h>

#include <climits>

#include "TestSupport.h"
#include "platform/win32/Win32Registry.h"

namespace pankor {
namespace {

using test::Wide;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        subKey_ = L"Software\\Tarnwick\\PankorPlatformTest-" + std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str()); }

    // "HKCU\Software\Tarnwick\PankorPlatformTest-<pid>\" + rest
    std::string Path(const std::string& rest) const { return "HKCU\\" + test::Utf8(subKey_) + "\\" + rest; }

    // The stored type and bytes, read with the plain API.
    bool RawQuery(const std::wstring& key, const wchar_t* value, DWORD& type, std::vector<BYTE>& data) const {
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (subKey_ + key).c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
            return false;
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

    std::wstring subKey_;
    Win32Registry reg_;
};

TEST_F(RegistryTest, TextRoundTripsAsUnicodeRegSz) {
    const std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE6\x9D\xB1\xE4\xBA\xAC \xE2\x82\xAC";  // Grüße 東京 €
    ASSERT_TRUE(reg_.WriteString(Path("Sub\\Name"), text).ok());

    const Result<std::string> read = reg_.Read(Path("Sub\\Name"));
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(*read, text);

    DWORD type = 0;
    std::vector<BYTE> raw;
    ASSERT_TRUE(RawQuery(L"\\Sub", L"Name", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    const std::wstring expected = Wide(text);
    ASSERT_EQ(raw.size(), (expected.size() + 1) * sizeof(wchar_t));  // stored with its NUL
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(raw.data()), expected.size()), expected);
}

TEST_F(RegistryTest, DwordReadsBackAsSignedDecimal) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {{11001, "11001"}, {0, "0"}, {-1, "-1"}, {INT_MIN, "-2147483648"}, {INT_MAX, "2147483647"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(reg_.WriteDword(Path("Number"), c.value).ok());
        const Result<std::string> read = reg_.Read(Path("Number"));
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(*read, c.text);
    }
    DWORD type = 0;
    std::vector<BYTE> raw;
    ASSERT_TRUE(RawQuery(L"", L"Number", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(raw.size(), 4u);
    EXPECT_EQ(raw[3], 0x7F);  // INT_MAX, little-endian
}

TEST_F(RegistryTest, EmptyTextExistsAndReadsEmpty) {
    ASSERT_TRUE(reg_.WriteString(Path("Empty"), "").ok());
    const Result<std::string> read = reg_.Read(Path("Empty"));
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(*read, "");
}

TEST_F(RegistryTest, MissingValueOrKeyFailsWithCleanDescription) {
    ASSERT_TRUE(reg_.WriteString(Path("Present"), "x").ok());
    for (const std::string& path : {Path("Absent"), Path("NoSuchKey\\Value")}) {
        const Result<std::string> read = reg_.Read(path);
        EXPECT_FALSE(read.ok()) << path;
        ASSERT_FALSE(read.error().empty()) << path;
        EXPECT_NE(read.error().back(), '\n');
        EXPECT_NE(read.error().back(), '\r');
        EXPECT_NE(read.error().back(), ' ');
    }
}

TEST_F(RegistryTest, RemoveDeletesTheValueOnly) {
    ASSERT_TRUE(reg_.WriteString(Path("Gone"), "1").ok());
    ASSERT_TRUE(reg_.WriteString(Path("Kept"), "2").ok());
    EXPECT_TRUE(reg_.Remove(Path("Gone")).ok());
    EXPECT_FALSE(reg_.Read(Path("Gone")).ok());
    EXPECT_EQ(reg_.Read(Path("Kept")).value_or(""), "2");
    EXPECT_FALSE(reg_.Remove(Path("Gone")).ok());  // already gone: the caller decides whether that matters
}

TEST_F(RegistryTest, TrailingBackslashNamesTheDefaultValue) {
    ASSERT_TRUE(reg_.WriteString(Path("Key\\"), "default text").ok());
    EXPECT_EQ(reg_.Read(Path("Key\\")).value_or("<none>"), "default text");

    DWORD type = 0;
    std::vector<BYTE> raw;
    ASSERT_TRUE(RawQuery(L"\\Key", nullptr, type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // Without the backslash the same text names a value "Key" in the parent key.
    EXPECT_FALSE(reg_.Read(Path("Key")).ok());

    EXPECT_TRUE(reg_.Remove(Path("Key\\")).ok());
    EXPECT_FALSE(reg_.Read(Path("Key\\")).ok());
}

TEST_F(RegistryTest, RootsAreRecognisedInEverySpelling) {
    const std::string rest = test::Utf8(subKey_) + "\\Spelled";
    ASSERT_TRUE(reg_.WriteString("HKEY_CURRENT_USER\\" + rest, "long").ok());
    EXPECT_EQ(reg_.Read("hkcu\\" + rest).value_or(""), "long");
    EXPECT_EQ(reg_.Read("Hkey_Current_User\\" + rest).value_or(""), "long");
    // The machine-wide roots exist and open; only this key is absent there.
    for (const char* root : {"HKLM\\", "HKEY_LOCAL_MACHINE\\", "HKCR\\", "HKU\\", "HKCC\\"}) {
        const Result<std::string> read = reg_.Read(std::string(root) + rest);
        EXPECT_FALSE(read.ok()) << root;
        EXPECT_EQ(read.error().find("root"), std::string::npos) << root << ": " << read.error();
    }
}

TEST_F(RegistryTest, BadRootOrPathFailsWithDescription) {
    const std::string paths[] = {"HKXY\\Software\\Value", "Software\\Tarnwick\\Value", "HKCU", "HKCUX\\Value",
                                 std::string("HKCU\\Software\0Cut", 17)};  // a NUL would cut the name short
    for (const std::string& path : paths) {
        const Status w = reg_.WriteString(path, "v");
        EXPECT_FALSE(w.ok()) << path;
        EXPECT_FALSE(w.error().empty()) << path;
        EXPECT_FALSE(reg_.WriteDword(path, 1).ok()) << path;
        const Result<std::string> r = reg_.Read(path);
        EXPECT_FALSE(r.ok()) << path;
        EXPECT_FALSE(r.error().empty()) << path;
        EXPECT_FALSE(reg_.Remove(path).ok()) << path;
    }
}

TEST_F(RegistryTest, StoredTextWithoutNulOrOfOtherTypes) {
    // Other programs may store a string without its terminating NUL.
    const wchar_t bare[] = {L'a', L'b', L'c'};
    RawSet(L"Bare", REG_SZ, bare, sizeof(bare));
    EXPECT_EQ(reg_.Read(Path("Bare")).value_or("<none>"), "abc");

    const wchar_t expand[] = L"%TEMP%\\x";
    RawSet(L"Expand", REG_EXPAND_SZ, expand, sizeof(expand));
    EXPECT_EQ(reg_.Read(Path("Expand")).value_or("<none>"), "%TEMP%\\x");

    const BYTE binary[] = {1, 2, 3};
    RawSet(L"Binary", REG_BINARY, binary, sizeof(binary));
    const unsigned long long qword = 5;
    RawSet(L"Qword", REG_QWORD, &qword, sizeof(qword));
    for (const char* name : {"Binary", "Qword"}) {
        const Result<std::string> r = reg_.Read(Path(name));
        EXPECT_FALSE(r.ok()) << name;
        EXPECT_FALSE(r.error().empty()) << name;
    }
}

TEST_F(RegistryTest, ValuesOfEveryTypeExist) {
    // Values that Read refuses as text still exist: an autostart entry of
    // another program may be stored as any of these.
    const BYTE binary[] = {1, 2, 3};
    RawSet(L"Binary", REG_BINARY, binary, sizeof(binary));
    const unsigned long long qword = 5;
    RawSet(L"Qword", REG_QWORD, &qword, sizeof(qword));
    const wchar_t multi[] = L"one\0two\0";
    RawSet(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    RawSet(L"NoData", REG_BINARY, nullptr, 0);
    const wchar_t expand[] = L"%TEMP%\\x";
    RawSet(L"Expand", REG_EXPAND_SZ, expand, sizeof(expand));
    ASSERT_FALSE(reg_.Read(Path("Binary")).ok());  // Read refuses these as text; Exists must not
    ASSERT_FALSE(reg_.Read(Path("Qword")).ok());
    for (const char* name : {"Binary", "Qword", "Multi", "NoData", "Expand"})
        EXPECT_TRUE(reg_.Exists(Path(name))) << name;

    ASSERT_TRUE(reg_.WriteString(Path("Text"), "x").ok());
    ASSERT_TRUE(reg_.WriteDword(Path("Number"), 7).ok());
    EXPECT_TRUE(reg_.Exists(Path("Text")));
    EXPECT_TRUE(reg_.Exists(Path("Number")));
    EXPECT_TRUE(reg_.Exists("hkey_current_user\\" + test::Utf8(subKey_) + "\\Binary"));

    EXPECT_FALSE(reg_.Exists(Path("Absent")));
    EXPECT_FALSE(reg_.Exists(Path("NoSuchKey\\Binary")));
    EXPECT_FALSE(reg_.Exists(Path("")));  // the key's unnamed value, which is not set
    EXPECT_FALSE(reg_.Exists("HKXY\\Software\\Value"));
    EXPECT_FALSE(reg_.Exists(std::string("HKCU\\Software\0Cut", 17)));
    ASSERT_TRUE(reg_.Remove(Path("Qword")).ok());
    EXPECT_FALSE(reg_.Exists(Path("Qword")));
}

}  // namespace
}  // namespace pankor

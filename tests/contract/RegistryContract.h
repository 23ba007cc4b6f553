#pragma once
// Registry values by full text path: what the core's settings, autostart and
// browser feature values rely on.
//
// Fixture: IRegistry& Service(); std::string SubKey() — a key of the test's
// own below HKCU ("Software\...\Unique"), empty at the start.
#include <climits>

#include "ContractSupport.h"
#include "platform/IRegistry.h"

namespace pankor::contract {

template <typename F>
class RegistryContract : public ::testing::Test {
protected:
    IRegistry& reg() { return f.Service(); }
    std::string Path(const std::string& rest, const std::string& root = "HKCU") {
        return root + "\\" + f.SubKey() + "\\" + rest;
    }
    F f;
};
TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, TextReadsBackAsWritten) {
    IRegistry& reg = this->reg();
    const std::string texts[] = {
        "plain",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE6\x9D\xB1\xE4\xBA\xAC \xE2\x82\xAC",  // Grüße 東京 €
        "tab\there\r\nline \\n \\",
        "",
        std::string(5000, 'x'),
    };
    for (const std::string& text : texts) {
        ASSERT_TRUE(reg.WriteString(this->Path("Sub\\Name"), text).ok()) << text;
        EXPECT_EQ(reg.Read(this->Path("Sub\\Name")).value_or("<failed>"), text);
        EXPECT_TRUE(reg.Exists(this->Path("Sub\\Name"))) << text;
    }
}

TYPED_TEST_P(RegistryContract, NumbersReadBackAsSignedDecimal) {
    IRegistry& reg = this->reg();
    ASSERT_TRUE(reg.WriteString(this->Path("Number"), "text first").ok());
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {{11001, "11001"}, {0, "0"}, {-1, "-1"}, {INT_MIN, "-2147483648"}, {INT_MAX, "2147483647"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(reg.WriteDword(this->Path("Number"), c.value).ok()) << c.text;
        EXPECT_EQ(reg.Read(this->Path("Number")).value_or("<failed>"), c.text);
        EXPECT_TRUE(reg.Exists(this->Path("Number"))) << c.text;
    }
}

TYPED_TEST_P(RegistryContract, PathsMatchWithoutRegardToCaseOrRootSpelling) {
    IRegistry& reg = this->reg();
    ASSERT_TRUE(reg.WriteString(this->Path("Sub\\Name"), "first").ok());
    ASSERT_TRUE(reg.WriteString(this->Path("SUB\\NAME"), "second").ok());  // the same value
    for (const char* root : {"HKCU", "hkcu", "HKEY_CURRENT_USER", "Hkey_Current_User"})
        EXPECT_EQ(reg.Read(this->Path("sub\\name", root)).value_or("<failed>"), "second") << root;
    ASSERT_TRUE(reg.Remove(this->Path("Sub\\Name", "HKEY_CURRENT_USER")).ok());
    EXPECT_FALSE(reg.Exists(this->Path("SUB\\name")));
}

TYPED_TEST_P(RegistryContract, ATrailingBackslashNamesTheKeysDefaultValue) {
    IRegistry& reg = this->reg();
    ASSERT_TRUE(reg.WriteString(this->Path("Key\\"), "default text").ok());
    EXPECT_EQ(reg.Read(this->Path("Key\\")).value_or("<failed>"), "default text");
    // Without the backslash the same text names a value "Key" in the parent key.
    EXPECT_TRUE(Described(reg.Read(this->Path("Key"))));
    EXPECT_FALSE(reg.Exists(this->Path("Key")));
    EXPECT_TRUE(reg.Remove(this->Path("Key\\")).ok());
    EXPECT_FALSE(reg.Exists(this->Path("Key\\")));
}

TYPED_TEST_P(RegistryContract, MissingValuesAreDescribedFailures) {
    IRegistry& reg = this->reg();
    ASSERT_TRUE(reg.WriteString(this->Path("Present"), "x").ok());
    for (const std::string& path : {this->Path("Absent"), this->Path("NoSuchKey\\Value")}) {
        EXPECT_TRUE(Described(reg.Read(path))) << path;
        EXPECT_FALSE(reg.Exists(path)) << path;
        EXPECT_TRUE(Described(reg.Remove(path))) << path;  // the caller decides whether that matters
    }
}

TYPED_TEST_P(RegistryContract, RemoveDeletesThatValueOnly) {
    IRegistry& reg = this->reg();
    ASSERT_TRUE(reg.WriteString(this->Path("Gone"), "1").ok());
    ASSERT_TRUE(reg.WriteDword(this->Path("Kept"), 2).ok());
    ASSERT_TRUE(reg.Remove(this->Path("Gone")).ok());
    EXPECT_TRUE(Described(reg.Read(this->Path("Gone"))));
    EXPECT_EQ(reg.Read(this->Path("Kept")).value_or("<failed>"), "2");
}

TYPED_TEST_P(RegistryContract, PathsThatNameNoValueAreRefused) {
    IRegistry& reg = this->reg();
    const struct {
        std::string path;
        bool badRoot;  // then the description says so
    } cases[] = {{"HKXY\\Software\\Value", true},
                 {"Software\\Tarnwick\\Value", true},
                 {"HKCUX\\Value", true},
                 {"HKCU", false},
                 {"", false}};
    for (const auto& c : cases) {
        EXPECT_TRUE(Described(reg.WriteString(c.path, "v"))) << c.path;
        EXPECT_TRUE(Described(reg.WriteDword(c.path, 1))) << c.path;
        EXPECT_TRUE(Described(reg.Remove(c.path))) << c.path;
        EXPECT_FALSE(reg.Exists(c.path)) << c.path;
        const Result<std::string> read = reg.Read(c.path);
        EXPECT_TRUE(Described(read)) << c.path;
        if (c.badRoot) {
            EXPECT_NE(read.error().find("root"), std::string::npos) << c.path << ": " << read.error();
        }
    }
    // The machine-wide roots are roots: only the value is missing there.
    for (const char* root : {"HKLM", "HKEY_LOCAL_MACHINE", "HKCR", "HKU", "HKCC"}) {
        const Result<std::string> read = reg.Read(this->Path("Value", root));
        EXPECT_TRUE(Described(read)) << root;
        EXPECT_EQ(read.error().find("root"), std::string::npos) << root << ": " << read.error();
    }
}

TYPED_TEST_P(RegistryContract, ANulNeverShortensAPath) {
    IRegistry& reg = this->reg();
    const std::string cut = this->Path(std::string("Cut\0Tail", 8));
    (void)reg.WriteString(cut, "v");  // refused, or kept under its whole name
    (void)reg.WriteDword(cut, 1);
    EXPECT_FALSE(reg.Exists(this->Path("Cut")));
    ASSERT_TRUE(reg.WriteString(this->Path("Cut"), "kept").ok());
    (void)reg.Remove(cut);
    EXPECT_EQ(reg.Read(this->Path("Cut")).value_or("<failed>"), "kept");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, TextReadsBackAsWritten, NumbersReadBackAsSignedDecimal,
                            PathsMatchWithoutRegardToCaseOrRootSpelling, ATrailingBackslashNamesTheKeysDefaultValue,
                            MissingValuesAreDescribedFailures, RemoveDeletesThatValueOnly,
                            PathsThatNameNoValueAreRefused, ANulNeverShortensAPath);

}  // namespace pankor::contract

#pragma once
// Registry values by full text path, as settings, autostart and the browser
// feature values use them. Host: registry; SubKey() — a key of the test's
// own below HKCU ("Software\...\Unique"), empty at the start.
#include <climits>

#include "ContractSupport.h"
#include "platform/IRegistry.h"

namespace pankor::contract {

template <typename Host>
class RegistryContract : public ::testing::Test {
protected:
    std::string Path(const std::string& rest, const std::string& root = "HKCU") {
        return root + "\\" + host.SubKey() + "\\" + rest;
    }
    Host host;
    IRegistry& reg = host.registry;
};
TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, ValuesReadBackAsWrittenNumbersAsSignedDecimal) {
    IRegistry& reg = this->reg;
    const std::string name = this->Path("Sub\\Name");
    for (const std::string& text : {std::string("plain"),
                                    std::string("Gr\xC3\xBC\xC3\x9F"
                                                "e \xE6\x9D\xB1\xE4\xBA\xAC"),
                                    std::string("tab\there\r\nline \\n \\"), std::string(), std::string(5000, 'x')}) {
        ASSERT_TRUE(reg.WriteString(name, text).ok()) << text;
        EXPECT_EQ(reg.Read(name).value_or("<failed>"), text);
        EXPECT_TRUE(reg.Exists(name)) << text;
    }
    const std::pair<std::int32_t, const char*> numbers[] = {
        {11001, "11001"}, {0, "0"}, {-1, "-1"}, {INT_MIN, "-2147483648"}, {INT_MAX, "2147483647"}};
    for (const auto& [value, text] : numbers) {  // over the text: the type changes too
        ASSERT_TRUE(reg.WriteDword(name, value).ok()) << text;
        EXPECT_EQ(reg.Read(name).value_or("<failed>"), text);
    }
}

TYPED_TEST_P(RegistryContract, PathsMatchWithoutRegardToCaseOrRootSpelling) {
    IRegistry& reg = this->reg;
    ASSERT_TRUE(reg.WriteString(this->Path("Sub\\Name"), "first").ok());
    ASSERT_TRUE(reg.WriteString(this->Path("SUB\\NAME"), "second").ok());  // the same value
    for (const char* root : {"HKCU", "hkcu", "HKEY_CURRENT_USER", "Hkey_Current_User"})
        EXPECT_EQ(reg.Read(this->Path("sub\\name", root)).value_or("<failed>"), "second") << root;
    ASSERT_TRUE(reg.Remove(this->Path("Sub\\Name", "HKEY_CURRENT_USER")).ok());
    EXPECT_FALSE(reg.Exists(this->Path("SUB\\name")));
}

TYPED_TEST_P(RegistryContract, ATrailingBackslashNamesTheKeysDefaultValue) {
    IRegistry& reg = this->reg;
    ASSERT_TRUE(reg.WriteString(this->Path("Key\\"), "default text").ok());
    EXPECT_EQ(reg.Read(this->Path("Key\\")).value_or("<failed>"), "default text");
    EXPECT_TRUE(Described(reg.Read(this->Path("Key"))));  // a value "Key" in the parent key
    EXPECT_FALSE(reg.Exists(this->Path("Key")));
    EXPECT_TRUE(reg.Remove(this->Path("Key\\")).ok());
    EXPECT_FALSE(reg.Exists(this->Path("Key\\")));
}

TYPED_TEST_P(RegistryContract, MissingValuesAreDescribedFailuresAndRemoveTakesOneValue) {
    IRegistry& reg = this->reg;
    ASSERT_TRUE(reg.WriteString(this->Path("Gone"), "1").ok());
    ASSERT_TRUE(reg.WriteDword(this->Path("Kept"), 2).ok());
    ASSERT_TRUE(reg.Remove(this->Path("Gone")).ok());
    EXPECT_EQ(reg.Read(this->Path("Kept")).value_or("<failed>"), "2");
    for (const std::string& path : {this->Path("Gone"), this->Path("NoSuchKey\\Value")}) {
        EXPECT_TRUE(Described(reg.Read(path))) << path;
        EXPECT_FALSE(reg.Exists(path)) << path;
        EXPECT_TRUE(Described(reg.Remove(path))) << path;  // the caller decides whether that matters
    }
}

TYPED_TEST_P(RegistryContract, PathsThatNameNoValueAreRefused) {
    IRegistry& reg = this->reg;
    const std::pair<std::string, bool> cases[] = {// path, whether its root is a bad one (and so described)
                                                  {"HKXY\\Software\\Value", true},
                                                  {"Software\\Tarnwick\\Value", true},
                                                  {"HKCUX\\Value", true},
                                                  {"HKCU", false},
                                                  {"", false}};
    for (const auto& [path, badRoot] : cases) {
        EXPECT_TRUE(Described(reg.WriteString(path, "v"))) << path;
        EXPECT_TRUE(Described(reg.WriteDword(path, 1))) << path;
        EXPECT_TRUE(Described(reg.Remove(path))) << path;
        EXPECT_FALSE(reg.Exists(path)) << path;
        const Result<std::string> read = reg.Read(path);
        EXPECT_TRUE(Described(read)) << path;
        if (badRoot) {
            EXPECT_NE(read.error().find("root"), std::string::npos) << path << ": " << read.error();
        }
    }
    for (const char* root :
         {"HKLM", "HKEY_LOCAL_MACHINE", "HKCR", "HKU", "HKCC"}) {  // roots, only the value is missing
        const Result<std::string> read = reg.Read(this->Path("Value", root));
        EXPECT_TRUE(Described(read)) << root;
        EXPECT_EQ(read.error().find("root"), std::string::npos) << root << ": " << read.error();
    }
}

TYPED_TEST_P(RegistryContract, ANulNeverShortensAPath) {
    IRegistry& reg = this->reg;
    const std::string cut = this->Path(std::string("Cut\0Tail", 8));
    (void)reg.WriteString(cut, "v");  // refused, or kept under its whole name
    EXPECT_FALSE(reg.Exists(this->Path("Cut")));
    ASSERT_TRUE(reg.WriteString(this->Path("Cut"), "kept").ok());
    (void)reg.Remove(cut);
    EXPECT_EQ(reg.Read(this->Path("Cut")).value_or("<failed>"), "kept");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, ValuesReadBackAsWrittenNumbersAsSignedDecimal,
                            PathsMatchWithoutRegardToCaseOrRootSpelling, ATrailingBackslashNamesTheKeysDefaultValue,
                            MissingValuesAreDescribedFailuresAndRemoveTakesOneValue, PathsThatNameNoValueAreRefused,
                            ANulNeverShortensAPath);

}  // namespace pankor::contract

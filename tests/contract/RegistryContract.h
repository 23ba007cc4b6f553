#pragma once
// Registry values by full text path, as settings, autostart and the browser feature values use them,
// and the bounded listing and reads the search for an app's uninstaller makes. Host: registry;
// SubKey() — a key of the test's own below HKCU ("Software\...\Unique"), empty at the start.
#include <climits>

#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
class RegistryContract : public ::testing::Test {
protected:
    std::string Path(const std::string& rest, const std::string& root = "HKCU") {
        return root + "\\" + host.SubKey() + "\\" + rest;
    }
    void Write(const std::string& rest, const std::string& text) {
        ASSERT_TRUE(reg.WriteString(Path(rest), text).ok()) << rest;
    }
    // The subkey names, lower-cased: letter case of key names is not the contract.
    std::vector<std::string> Names(std::size_t maxCount = 4000, std::size_t maxChars = 512) {
        const Result<std::vector<std::string>> names = reg.SubkeyNames("HKCU\\" + host.SubKey(), maxCount, maxChars);
        EXPECT_TRUE(names.ok()) << names.error();
        std::vector<std::string> lower;
        for (const std::string& n : names.value_or({})) lower.push_back(LowerAscii(n));
        return lower;
    }
    std::string Read(const std::string& rest, const std::string& root = "HKCU") {
        return reg.Read(Path(rest, root)).value_or("<failed>");
    }
    Host host;
    IRegistry& reg = host.registry;
};
TYPED_TEST_SUITE(RegistryContract, ContractHosts);

TYPED_TEST(RegistryContract, ValuesReadBackAsWrittenUnderAnySpellingOfTheirPath) {
    IRegistry& reg = this->reg;
    for (const std::string& text : {std::string("Gr\u00FC\u00DFe \u6771\u4EAC"),
                                    std::string("tab\there\r\nline \\n \\"), std::string(), std::string(5000, 'x')}) {
        this->Write("Sub\\Name", text);
        EXPECT_TRUE(this->Read("Sub\\Name") == text && reg.Exists(this->Path("Sub\\Name"))) << text;
    }
    const std::pair<std::int32_t, const char*> numbers[] = {
        {11001, "11001"}, {0, "0"}, {-1, "-1"}, {INT_MIN, "-2147483648"}, {INT_MAX, "2147483647"}};
    for (const auto& [value, text] : numbers) {  // over the text: the type changes too
        ASSERT_TRUE(reg.WriteDword(this->Path("SUB\\NAME"), value).ok()) << text;  // the same value
        for (const char* root : {"HKCU", "hkcu", "HKEY_CURRENT_USER", "Hkey_Current_User"})
            EXPECT_EQ(this->Read("sub\\name", root), text) << root;
    }
}

TYPED_TEST(RegistryContract, RemoveTakesOneValueAndMissingOnesAreDescribedFailures) {
    IRegistry& reg = this->reg;
    this->Write("Gone", "1");
    this->Write("Kept", "2");
    this->Write("Key\\", "default text");  // a trailing backslash names the key's default value
    EXPECT_EQ(this->Read("Key\\"), "default text");
    ASSERT_TRUE(reg.Remove(this->Path("GONE", "HKEY_CURRENT_USER")).ok());
    EXPECT_EQ(this->Read("Kept"), "2");
    for (const std::string& path : {this->Path("Gone"), this->Path("NoSuchKey\\Value"), this->Path("Key")})
        EXPECT_TRUE(Described(reg.Read(path)) && !reg.Exists(path) && Described(reg.Remove(path))) << path;
    EXPECT_TRUE(reg.Remove(this->Path("Key\\")).ok() && !reg.Exists(this->Path("Key\\")));
}

TYPED_TEST(RegistryContract, PathsThatNameNoValueAreRefusedAndANulNeverShortensOne) {
    IRegistry& reg = this->reg;
    const std::pair<std::string, bool> cases[] = {// path, whether its root is a bad one (and so described)
                                                  {"HKXY\\Software\\Value", true},
                                                  {"Software\\Tarnwick\\Value", true},
                                                  {"HKCUX\\Value", true},
                                                  {"HKCU", false},
                                                  {"", false}};
    for (const auto& [path, badRoot] : cases) {
        EXPECT_TRUE(Described(reg.WriteString(path, "v")) && Described(reg.WriteDword(path, 1)) &&
                    Described(reg.Remove(path)) && !reg.Exists(path))
            << path;
        const Result<std::string> read = reg.Read(path);
        EXPECT_TRUE(Described(read) && (!badRoot || read.error().find("root") != std::string::npos)) << path;
    }
    for (const char* root : {"HKLM", "HKEY_LOCAL_MACHINE", "HKCR", "HKU", "HKCC"}) {  // only the value is missing
        const Result<std::string> read = reg.Read(this->Path("Value", root));
        EXPECT_TRUE(Described(read) && read.error().find("root") == std::string::npos) << root << ": " << read.error();
    }
    const std::string cut = this->Path(std::string("Cut\0Tail", 8));
    (void)reg.WriteString(cut, "v");  // refused, or kept under its whole name
    EXPECT_FALSE(reg.Exists(this->Path("Cut")));
    this->Write("Cut", "kept");
    (void)reg.Remove(cut);
    EXPECT_EQ(this->Read("Cut"), "kept");
}

TYPED_TEST(RegistryContract, SubkeysAreListedOnceInOrderUpToTheCountAndTheFirstNameTooLong) {
    this->Write("TopValue", "not a key");
    EXPECT_EQ(this->Names(), std::vector<std::string>{});
    this->Write("bbbbbbbbbb\\DisplayName", "b");
    this->Write("bbbbbbbbbb\\UninstallString", "b.exe");
    this->Write("A\\DisplayName", "a");
    this->Write("c\\Deeper\\Value", "c");  // a subkey with only a subkey of its own
    this->Write("d\\V", "d");
    EXPECT_EQ(this->Names(), (std::vector<std::string>{"a", "bbbbbbbbbb", "c", "d"}));
    EXPECT_EQ(this->Names(2), (std::vector<std::string>{"a", "bbbbbbbbbb"}));
    EXPECT_EQ(this->Names(4000, 11), (std::vector<std::string>{"a", "bbbbbbbbbb", "c", "d"}));
    EXPECT_EQ(this->Names(4000, 10), (std::vector<std::string>{"a"}));  // ten characters and the terminator
    EXPECT_TRUE(Described(this->reg.SubkeyNames(this->Path("Missing"), 4000, 512)));
}

TYPED_TEST(RegistryContract, BoundedReadsRefuseValuesThatFillTheBufferAndDropNuls) {
    this->Write("E\\Name", "Tool 3.2 (per-user)");
    this->Write("E\\Nul", std::string("Fo\0o Suite", 10));
    const std::tuple<const char*, std::size_t, const char*> cases[] = {{"E\\Name", 20, "Tool 3.2 (per-user)"},
                                                                       {"E\\Name", 19, nullptr},
                                                                       {"E\\Absent", 1024, nullptr},
                                                                       {"NoKey\\Name", 1024, nullptr},
                                                                       {"E\\Nul", 1024, "Foo Suite"}};
    for (const auto& [rest, maxChars, text] : cases) {
        const Result<std::string> read = this->reg.ReadLimited(this->Path(rest), maxChars);
        EXPECT_TRUE(text ? read.value_or("<failed>") == text : bool(Described(read))) << rest << " " << maxChars;
    }
}

}  // namespace pankor::contract

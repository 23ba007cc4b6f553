#pragma once
// Listing a key's subkeys and reading values through bounded buffers, as the
// search for an app's uninstaller does. Host: registry; SubKey() — a key of
// the test's own below HKCU, empty at the start.
#include "ContractSupport.h"
#include "base/Text.h"
#include "platform/IRegistry.h"

namespace pankor::contract {

template <typename Host>
class RegistryKeysContract : public ::testing::Test {
protected:
    std::string Key() { return "HKCU\\" + host.SubKey(); }
    void Write(const std::string& rest, const std::string& text) {
        ASSERT_TRUE(reg.WriteString(Key() + "\\" + rest, text).ok()) << rest;
    }
    // The names, lower-cased: letter case of key names is not the contract.
    std::vector<std::string> Names(std::size_t maxCount = 4000, std::size_t maxChars = 512) {
        const Result<std::vector<std::string>> names = reg.SubkeyNames(Key(), maxCount, maxChars);
        EXPECT_TRUE(names.ok()) << names.error();
        std::vector<std::string> lower;
        if (names.ok())
            for (const std::string& n : *names) lower.push_back(LowerAscii(n));
        return lower;
    }
    Host host;
    IRegistry& reg = host.registry;
};
TYPED_TEST_SUITE_P(RegistryKeysContract);

TYPED_TEST_P(RegistryKeysContract, EachSubkeyIsListedOnceInOrder) {
    this->Write("Beta\\DisplayName", "b");
    this->Write("Beta\\UninstallString", "b.exe");
    this->Write("alpha\\DisplayName", "a");
    this->Write("Gamma\\Deeper\\Value", "g");  // a subkey with only a subkey of its own
    this->Write("TopValue", "not a key");
    EXPECT_EQ(this->Names(), (std::vector<std::string>{"alpha", "beta", "gamma"}));
}

TYPED_TEST_P(RegistryKeysContract, TheListingStopsAtTheCountAndAtTheFirstNameTooLong) {
    for (const char* name : {"a", "bbbbbbbbbb", "c", "d"}) this->Write(std::string(name) + "\\V", "x");
    EXPECT_EQ(this->Names(2), (std::vector<std::string>{"a", "bbbbbbbbbb"}));
    EXPECT_EQ(this->Names(4000, 11), (std::vector<std::string>{"a", "bbbbbbbbbb", "c", "d"}));
    EXPECT_EQ(this->Names(4000, 10), (std::vector<std::string>{"a"}));  // ten characters and the terminator
}

TYPED_TEST_P(RegistryKeysContract, AKeyWithoutSubkeysListsNoneAndAMissingKeyFails) {
    this->Write("OnlyValue", "x");
    EXPECT_EQ(this->Names(), std::vector<std::string>{});
    EXPECT_TRUE(Described(this->reg.SubkeyNames(this->Key() + "\\Missing", 4000, 512)));
}

TYPED_TEST_P(RegistryKeysContract, BoundedReadsRefuseValuesThatFillTheBuffer) {
    this->Write("E\\Name", "Tool 3.2 (per-user)");
    this->Write("E\\Exact", std::string(1023, 'x'));
    this->Write("E\\Long", std::string(1024, 'x'));
    IRegistry& reg = this->reg;
    const std::string key = this->Key() + "\\E\\";
    EXPECT_EQ(reg.ReadLimited(key + "Name", 1024).value_or("<failed>"), "Tool 3.2 (per-user)");
    EXPECT_EQ(reg.ReadLimited(key + "Name", 20).value_or("<failed>"), "Tool 3.2 (per-user)");
    EXPECT_TRUE(Described(reg.ReadLimited(key + "Name", 19)));
    EXPECT_EQ(reg.ReadLimited(key + "Exact", 1024).value_or("<failed>"), std::string(1023, 'x'));
    EXPECT_TRUE(Described(reg.ReadLimited(key + "Long", 1024)));
    EXPECT_TRUE(Described(reg.ReadLimited(key + "Absent", 1024)));
    EXPECT_TRUE(Described(reg.ReadLimited(this->Key() + "\\NoKey\\Name", 1024)));
}

TYPED_TEST_P(RegistryKeysContract, BoundedReadsDropNulCharacters) {
    this->Write("E\\Nul", std::string("Fo\0o Suite", 10));
    EXPECT_EQ(this->reg.ReadLimited(this->Key() + "\\E\\Nul", 1024).value_or("<failed>"), "Foo Suite");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryKeysContract, EachSubkeyIsListedOnceInOrder,
                            TheListingStopsAtTheCountAndAtTheFirstNameTooLong,
                            AKeyWithoutSubkeysListsNoneAndAMissingKeyFails, BoundedReadsRefuseValuesThatFillTheBuffer,
                            BoundedReadsDropNulCharacters);

}  // namespace pankor::contract

#pragma once
// Environment variables as the core reads them (APPDATA, TEMP and the like).
//
// Fixture: IEnvironment& Service(); Set(name, value) and Unset(name) through
// the system; UniqueName() — a variable no one else uses.
#include "ContractSupport.h"
#include "platform/IEnvironment.h"

namespace pankor::contract {

template <typename F>
class EnvironmentContract : public ::testing::Test {
protected:
    F f;
};
TYPED_TEST_SUITE_P(EnvironmentContract);

TYPED_TEST_P(EnvironmentContract, ValuesReadBackAsUtf8) {
    const std::string name = this->f.UniqueName();
    const std::string values[] = {
        "C:\\Users\\ann\\AppData\\Roaming",
        "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC",  // Zürich 東京
        std::string(5000, 'x'),                    // longer than any first guess of a buffer
        "",
    };
    for (const std::string& value : values) {
        this->f.Set(name, value);
        EXPECT_EQ(this->f.Service().Get(name).value_or("<unset>"), value);
    }
}

TYPED_TEST_P(EnvironmentContract, UnsetVariablesAreNothing) {
    const std::string name = this->f.UniqueName();
    this->f.Set(name, "x");
    this->f.Unset(name);
    EXPECT_FALSE(this->f.Service().Get(name).has_value());
    EXPECT_FALSE(this->f.Service().Get("").has_value());
}

TYPED_TEST_P(EnvironmentContract, AppDataAndTempAlwaysAnswer) {
    for (const char* name : {"APPDATA", "TEMP"}) EXPECT_FALSE(this->f.Service().Get(name).value_or("").empty()) << name;
}

REGISTER_TYPED_TEST_SUITE_P(EnvironmentContract, ValuesReadBackAsUtf8, UnsetVariablesAreNothing,
                            AppDataAndTempAlwaysAnswer);

}  // namespace pankor::contract

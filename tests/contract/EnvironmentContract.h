#pragma once
// Environment variables as the core reads them (APPDATA, TEMP and the like).
// Host: environment; SetVariable(name, value) and UnsetVariable(name) through
// the system; VariableName() — one no one else uses.
#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
using EnvironmentContract = HostTest<Host>;
TYPED_TEST_SUITE(EnvironmentContract, ContractHosts);

TYPED_TEST(EnvironmentContract, ValuesReadBackAsUtf8AndUnsetOnesAreNothing) {
    const IEnvironment& env = this->host.environment;
    const std::string name = this->host.VariableName();
    for (const std::string& value : {std::string("Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC"),  // Zürich 東京
                                     std::string(5000, 'x'), std::string()}) {
        this->host.SetVariable(name, value);
        EXPECT_EQ(env.Get(name).value_or("<unset>"), value);
    }
    this->host.UnsetVariable(name);
    EXPECT_FALSE(env.Get(name).has_value());
    EXPECT_FALSE(env.Get("").has_value());
    for (const char* always : {"APPDATA", "TEMP"}) EXPECT_FALSE(env.Get(always).value_or("").empty()) << always;
}

}  // namespace pankor::contract

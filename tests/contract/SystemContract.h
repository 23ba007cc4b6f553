#pragma once
// Process values, environment variables, the clocks, the screen and the system's version, as far as
// a test can see them. Host: system, environment; ProgramName() — this program's file name; UtcNow()
// — seconds since 1970 UTC by the test's own clock; UtcOffsetSeconds() — how far local time is ahead;
// Desktop() — the desktop's size by another route, once the test has given the service one where the
// windowing host tells it; OsRelease() — the system's version text by another route, which
// OsVersion() must begin; SetVariable(name, value), UnsetVariable(name) through the system;
// VariableName() — one no one else uses.
#include <cctype>
#include <cstdlib>
#include <regex>

#include "ContractSupport.h"

namespace pankor::contract {

template <typename Host>
using SystemContract = HostTest<Host>;
TYPED_TEST_SUITE(SystemContract, ContractHosts);

TYPED_TEST(SystemContract, TheWallClockIsUtcAndLocalAndTheMonotonicOneMovesOnlyOn) {
    ISystem& sys = this->host.system;
    const std::int64_t utc = sys.UtcNow();
    const DateTime local = sys.LocalNow();
    EXPECT_LE(std::llabs(utc - this->host.UtcNow()), 5) << utc;
    EXPECT_TRUE(local.IsValid());
    // A time left in UTC, or converted twice, is hours off in the test's time zone.
    EXPECT_LE(std::llabs(local.SerialSeconds() - utc - this->host.UtcOffsetSeconds()), 5) << local.hour;

    std::int64_t last = sys.MonotonicMs();
    sys.SleepMs(60);
    EXPECT_GE(sys.MonotonicMs() - last, 60 - 16);  // a tick of the coarsest clock we run on
    EXPECT_LT(sys.MonotonicMs() - last, 2000);
    last = sys.MonotonicMs();
    sys.SleepMs(0);
    sys.SleepMs(-5);
    EXPECT_LT(sys.MonotonicMs() - last, 1000);
}

TYPED_TEST(SystemContract, ProcessValuesAndText) {
    ISystem& sys = this->host.system;
    const std::string path = sys.ExecutablePath(), name = this->host.ProgramName();
    ASSERT_GT(path.size(), name.size()) << path;
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    EXPECT_NE(std::string("\\/").find(path[path.size() - name.size() - 1]), std::string::npos) << path;
    EXPECT_EQ(sys.CommandLine().find(name), std::string::npos) << sys.CommandLine();  // after the program name
    for (const std::string& text : {std::string(), std::string("plain text"), std::string("caf\xC3\xA9=1\r\n")})
        EXPECT_EQ(sys.FromNativeText(sys.ToNativeText(text)), text);
}

template <typename Host>
using EnvironmentContract = HostTest<Host>;
TYPED_TEST_SUITE(EnvironmentContract, ContractHosts);

TYPED_TEST(EnvironmentContract, VariablesReadBackAsUtf8AndUnsetOnesAreNothing) {
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

// What the usage report says of the machine ("os", "screen", "scale").
TYPED_TEST(SystemContract, TheScreenIsMeasuredOrUnknownAndTheVersionIsThreeNumbers) {
    ISystem& sys = this->host.system;
    EXPECT_TRUE(sys.DeclareDpiAware());
    const int dpi = sys.ScreenDpi();  // 0: unknown, the page's default applies
    EXPECT_TRUE(dpi == 0 || (dpi >= 48 && dpi <= 960)) << dpi;
    const PixelSize atStart = sys.DesktopSize(), given = this->host.Desktop(), now = sys.DesktopSize();
    for (const PixelSize& d : {atStart, now})  // measured, or 0 x 0 when there is no screen
        EXPECT_TRUE((d.width > 0 && d.height > 0) || (d.width == 0 && d.height == 0)) << d.width << "x" << d.height;
    EXPECT_EQ(std::pair(now.width, now.height), std::pair(given.width, given.height));
    const std::string version = sys.OsVersion(), release = this->host.OsRelease();  // "": unknown, not on these
    EXPECT_TRUE(std::regex_match(version, std::regex(R"((0|[1-9]\d{0,5})(\.(0|[1-9]\d{0,5})){2})"))) << version;
    EXPECT_EQ(release.substr(0, version.size()), version) << release;
    EXPECT_FALSE(release.size() > version.size() && std::isdigit(static_cast<unsigned char>(release[version.size()])))
        << version << " cuts a number of " << release;
}

}  // namespace pankor::contract

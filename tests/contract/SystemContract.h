#pragma once
// Process values and the clock, as far as a test can see them.
//
// Fixture: ISystem& Service(); ProgramName() — this program's file name;
// WallClockUtc() — seconds since 1970 UTC by the test's own clock;
// UtcOffsetSeconds() — how far local time is ahead of UTC now.
#include <cstdlib>

#include "ContractSupport.h"
#include "platform/ISystem.h"

namespace pankor::contract {

template <typename F>
class SystemContract : public ::testing::Test {
protected:
    F f;
};
TYPED_TEST_SUITE_P(SystemContract);

TYPED_TEST_P(SystemContract, TheClockIsTheWallClockInUtcAndLocalTime) {
    const ISystem& sys = this->f.Service();
    const std::int64_t utc = sys.UtcNow();
    const DateTime local = sys.LocalNow();
    EXPECT_LE(std::llabs(utc - this->f.WallClockUtc()), 5) << utc;
    EXPECT_TRUE(local.IsValid());
    // A time left in UTC, or converted twice, is hours off in the test's time zone.
    EXPECT_LE(std::llabs(local.SerialSeconds() - utc - this->f.UtcOffsetSeconds()), 5)
        << local.hour << ":" << local.minute << ", offset " << this->f.UtcOffsetSeconds();
}

TYPED_TEST_P(SystemContract, TheExecutableIsThisProgramAndTheCommandLineLeavesItOut) {
    const std::string path = this->f.Service().ExecutablePath(), name = this->f.ProgramName();
    ASSERT_GT(path.size(), name.size()) << path;
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    const char separator = path[path.size() - name.size() - 1];
    EXPECT_TRUE(separator == '\\' || separator == '/') << path;
    EXPECT_EQ(this->f.Service().CommandLine().find(name), std::string::npos) << this->f.Service().CommandLine();
}

TYPED_TEST_P(SystemContract, NativeTextRoundTrips) {
    const ISystem& sys = this->f.Service();
    for (const std::string& text : {std::string(), std::string("plain text"), std::string("caf\xC3\xA9=1\r\n")})
        EXPECT_EQ(sys.FromNativeText(sys.ToNativeText(text)), text);
}

TYPED_TEST_P(SystemContract, TheScreenScaleIsPlausible) {
    ISystem& sys = this->f.Service();
    EXPECT_TRUE(sys.DeclareDpiAware());
    const int dpi = sys.ScreenDpi();  // 0: unknown, the page's default applies
    EXPECT_TRUE(dpi == 0 || (dpi >= 48 && dpi <= 960)) << dpi;
    sys.AllowAnyForeground();  // must not disturb anything without a window
}

REGISTER_TYPED_TEST_SUITE_P(SystemContract, TheClockIsTheWallClockInUtcAndLocalTime,
                            TheExecutableIsThisProgramAndTheCommandLineLeavesItOut, NativeTextRoundTrips,
                            TheScreenScaleIsPlausible);

}  // namespace pankor::contract

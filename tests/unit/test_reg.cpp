#include "Fixture.h"

using namespace pankor;
using pankor::testing::AppTest;

namespace {
constexpr const char* kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Pankor";
}

TEST_F(AppTest, RegGetAnswersTheDefaultOnlyWhenTheReadFails) {
    EXPECT_EQ(app.reg.RegGet("HKCU\\Control Panel\\International\\LocaleName", "unknown"), "unknown");
    EXPECT_EQ(app.reg.RegGet("HKCU\\nothing", ""), "");
    app.reg.RegSet(kRun, "");
    EXPECT_EQ(app.reg.RegGet(kRun, "default"), "");  // an empty value is a value
    EXPECT_TRUE(app.reg.RegExists(kRun));
    app.reg.RegSetDword("HKCU\\x\\dword", 11001);
    EXPECT_EQ(app.reg.RegGet("HKCU\\x\\dword", ""), "11001");
    EXPECT_EQ(Log(), "");
}

TEST_F(AppTest, RegRemoveIsQuietEvenWhenTheValueIsGone) {
    app.reg.RegSet(kRun, "\"C:\\Apps\\Pankor\\Pankor.exe\" /tray");
    app.reg.RegRemove(kRun);
    EXPECT_FALSE(app.reg.RegExists(kRun));
    app.reg.RegRemove(kRun);
    EXPECT_EQ(Log(), "");
}

TEST_F(AppTest, FailedRegistryWritesAreLoggedOncePerCall) {
    fake.registry.failWrites = true;
    app.reg.RegSetDword("HKCU\\a\\b", 1);
    app.reg.RegSet("HKCU\\a\\c", "x");
    EXPECT_EQ(Log(),
              "14:03:27 RegSetDword failed HKCU\\a\\b: Access is denied.\r\n"
              "14:03:27 RegSet failed HKCU\\a\\c: Access is denied.\r\n");
}

TEST_F(AppTest, BrowserFeaturesFailingStillWritesBothAndLogsEach) {
    fake.registry.failWrites = true;
    app.main.SetBrowserFeatures();
    const std::string log = Log();
    EXPECT_NE(log.find("RegSetDword failed HKCU\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                       "FEATURE_BROWSER_EMULATION\\Pankor.exe: "),
              std::string::npos);
    EXPECT_NE(log.find("FEATURE_BLOCK_LMZ_SCRIPT\\Pankor.exe: "), std::string::npos);
}

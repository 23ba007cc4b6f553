#include "Fixture.h"
#include "core/PankorVersion.h"

using namespace pankor;
using pankor::testing::AppTest;

TEST(IsNewer, ComparesUpToFourPartsNumerically) {
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    };
    const Case cases[] = {
        {"1.0.0.12", "1.0.0.9", true},
        {"1.0.0.9", "1.0.0.12", false},
        {"1.0.0.9", "1.0.0.9", false},
        {"", "", false},
        {"", "1.0", false},
        {"1.0", "", true},
        {"2.0", "1.9.9.9", true},
        {"1.2.3.4.5", "1.2.3.4.9", false},
        {"1..3", "1.0.3", false},
        {"1.2", "1.2.0.0", false},
        {"1.2.0.1", "1.2", true},
        {"3-beta", "2.9", true},
        {"v3", "1", false},
        {"1. 2", "1.1", true},
        {"1.2.5", "1.2.10", false},
        {"99999999999.0", "1.0", true},
        {"1.25e-1", "1.2", false},
        {"1.35e-1", "1.3", true},  // halves to even
    };
    for (const Case& c : cases) EXPECT_EQ(IsNewer(c.a, c.b), c.newer) << c.a << " vs " << c.b;
}

TEST(Words, AreTheUnsignedHalves) {
    EXPECT_EQ(HiWord(0xFFFFFFFFu), 65535u);
    EXPECT_EQ(LoWord(0xFFFFFFFFu), 65535u);
    EXPECT_EQ(HiWord(0x00010002u), 1u);
    EXPECT_EQ(LoWord(0x00010002u), 2u);
}

TEST_F(AppTest, FileVersionFormatsTheFixedRecord) {
    const std::string exe = "C:\\Apps\\Clock\\clock.exe";
    fake.fs.files[exe] = "MZ";
    fake.versions.versions[exe] = {0x00010000u, 0x0000000Cu};
    EXPECT_EQ(app.version.FileVersion(exe), "1.0.0.12");
    fake.versions.versions[exe] = {0xFFFFFFFFu, 0xFFFFFFFFu};
    EXPECT_EQ(app.version.FileVersion(exe), "65535.65535.65535.65535");

    fake.fs.files["C:\\plain.txt"] = "text";
    EXPECT_EQ(app.version.FileVersion("C:\\plain.txt"), "");  // no resource
    EXPECT_EQ(app.version.FileVersion("C:\\missing.exe"), "");
    EXPECT_EQ(app.version.FileVersion(""), "");
    fake.versions.versions["C:\\ghost.exe"] = {1, 1};
    EXPECT_EQ(app.version.FileVersion("C:\\ghost.exe"), "");  // a file that is not there has no version
}

TEST_F(AppTest, OwnVersionPrefersTheExecutablesResourceOverCompiledNumbers) {
    app.process.RunDir = "C:\\Apps\\Pankor";
    EXPECT_EQ(app.version.OwnVersion(), std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + ".0." +
                                            std::to_string(kVersionRevision));
    fake.fs.files["C:\\Apps\\Pankor\\Pankor.exe"] = "MZ";
    fake.versions.versions["C:\\Apps\\Pankor\\Pankor.exe"] = {0x00020003u, 0x00040005u};
    EXPECT_EQ(app.version.OwnVersion(), "2.3.4.5");
}

// Staging and applying the manager's own update.
#include "HostFixture.h"

using namespace pankor;
using pankor::testing::HostTest;
using pankor::testing::Lines;

namespace {

constexpr const char* kUrl = "https://dl.tarnwick.test/pankor-setup.exe";
const std::string kInstaller = "MZ the next Pankor";

class SelfUpdateTest : public HostTest {
protected:
    SelfUpdateTest() {
        app.catalog.SelfSha = KeyedHashOf(kInstaller);
        fake.http.Serve(kUrl, kInstaller);
        fake.crypto.calls.clear();
    }
    std::string Staged() const { return std::string(kTemp) + "\\Pankor-update-142.exe"; }
    std::int64_t Elapsed() const { return fake.system.monotonicMs - start_; }
    std::int64_t start_ = fake.system.monotonicMs;
};

TEST_F(SelfUpdateTest, AVerifiedInstallerIsStagedUnderItsVersion) {
    EXPECT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
    EXPECT_TRUE(app.selfUpdate.HasStagedUpdate());
    EXPECT_EQ(app.selfUpdate.StagedUpdatePath(), Staged());
    EXPECT_EQ(fake.fs.files[Staged()], kInstaller);
    EXPECT_EQ(LogLines(), (Lines{"self-update hash ok (256-bit)", "self-update staged: " + Staged() + " (18 bytes)"}));
    ASSERT_EQ(fake.http.requests.size(), 1u);
    const HttpRequest& r = fake.http.requests[0];
    EXPECT_EQ(r.headers, (HttpHeaders{{"User-Agent", "Pankor/1.0"}}));
    EXPECT_EQ(std::vector<int>({r.resolveTimeoutMs, r.connectTimeoutMs, r.sendTimeoutMs, r.receiveTimeoutMs}),
              std::vector<int>({8000, 8000, 8000, 120000}));
    EXPECT_EQ(pump.calls, 0);  // a blocking download: nothing is dispatched meanwhile
}

TEST_F(SelfUpdateTest, TheStagedNameIsTheVersionWithoutItsDots) {
    EXPECT_EQ(app.selfUpdate.StagedInstallerPath("2.0.10"), std::string(kTemp) + "\\Pankor-update-2010.exe");
    EXPECT_EQ(app.selfUpdate.StagedInstallerPath("1.4.2"), Staged());
}

struct StageCase {
    const char* name;
    const char* url;
    int status;
    std::string body;
    const char* failure;  // transport failure text
    const char* selfSha;  // "{hash}" or a text
    bool tempFolder;
    bool noCrypto;
    std::size_t cap;      // 0: the product's
    Lines log;
};

class StageRefused : public SelfUpdateTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(StageRefused, StagesNothingAndLogsWhy) {
    const StageCase& c = GetParam();
    const std::string hash = KeyedHashOf(kInstaller);
    fake.http.Serve(kUrl, c.body, c.status);
    if (*c.failure) fake.http.failures[kUrl] = c.failure;
    app.catalog.SelfSha = std::string(c.selfSha) == "{hash}" ? hash : c.selfSha;
    if (!c.tempFolder) fake.fs.folders.erase(kTemp);
    if (c.noCrypto) fake.crypto.failAcquire = {{CryptoProvider::RsaAes, 5}, {CryptoProvider::RsaFull, 5}};
    if (c.cap) app.update.SetLimitsForTest({kFetchLimitMs, kRunLimitMs, c.cap});

    EXPECT_FALSE(app.selfUpdate.StageSelfUpdate(c.url, "1.4.2"));
    Lines log;
    for (std::string line : c.log) {
        if (const std::size_t at = line.find("{hash}"); at != std::string::npos) line.replace(at, 6, hash);
        log.push_back(line);
    }
    EXPECT_EQ(LogLines(), log);
    EXPECT_FALSE(app.selfUpdate.HasStagedUpdate());
    EXPECT_EQ(app.selfUpdate.StagedUpdatePath(), "");
    EXPECT_EQ(fake.fs.files.count(Staged()), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, StageRefused,
    ::testing::Values(
        StageCase{"NoUrl", "", 200, kInstaller, "", "{hash}", true, false, 0, {}},
        StageCase{"NotFound", kUrl, 404, "", "", "{hash}", true, false, 0, {"self-update download status 404"}},
        StageCase{"Unreachable", kUrl, 200, kInstaller, "The operation timed out", "{hash}", true, false, 0,
                  {"StageSelfUpdate error: The operation timed out"}},
        StageCase{"OneByte", kUrl, 200, "M", "", "{hash}", true, false, 0, {}},
        StageCase{"ZM", kUrl, 200, "ZM the next Pankor", "", "{hash}", true, false, 0,
                  {"REFUSED self-update: not an MZ image"}},
        StageCase{"NoHashInCatalog", kUrl, 200, kInstaller, "", "", true, false, 0,
                  {"REFUSED self-update: catalog carried no hash"}},
        StageCase{"NoCrypto", kUrl, 200, kInstaller, "", "{hash}", true, true, 0,
                  {"CryptAcquireContext(AES) failed, err=5", "CryptAcquireContext(FULL) failed too, err=5",
                   "REFUSED self-update: could not hash (no crypto provider)"}},
        StageCase{"HashMismatch", kUrl, 200, kInstaller, "", "ffff", true, false, 0,
                  {"REFUSED self-update: hash mismatch. want=ffff got={hash}"}},
        StageCase{"NotSaved", kUrl, 200, kInstaller, "", "{hash}", false, false, 0,
                  {"self-update hash ok (256-bit)", "StageSelfUpdate error: Path not found"}},
        StageCase{"OverTheCap", kUrl, 200, kInstaller, "", "{hash}", true, false, 8,
                  {"self-update download too large: more than 8 bytes"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SelfUpdateTest, ApplyingStartsTheInstallerHiddenAndLetsMessagesRunForSevenTenths) {
    ASSERT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
    fake.fs.files.erase(std::string(kDataDir) + "\\debug.log");
    start_ = fake.system.monotonicMs;
    app.selfUpdate.ApplyStagedUpdate();
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine, "\"" + Staged() + "\" /VERYSILENT /NORESTART /RELAUNCH=/tray");
    EXPECT_TRUE(fake.processes.started[0].hidden);
    EXPECT_GE(Elapsed(), 700);
    EXPECT_LT(Elapsed(), 700 + pump.advanceMs + 20);
    EXPECT_GT(pump.calls, 0);
    EXPECT_EQ(LogLines(), Lines{"applying self-update: " + Staged()});
    EXPECT_TRUE(app.selfUpdate.HasStagedUpdate());  // applying again starts the same installer
    app.selfUpdate.ApplyStagedUpdate();
    EXPECT_EQ(fake.processes.started.size(), 2u);
}

TEST_F(SelfUpdateTest, NothingStagedOrTheFileGoneAppliesNothing) {
    app.selfUpdate.ApplyStagedUpdate();
    ASSERT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
    fake.fs.files.erase(Staged());
    fake.fs.files.erase(std::string(kDataDir) + "\\debug.log");
    app.selfUpdate.ApplyStagedUpdate();
    EXPECT_EQ(fake.processes.started.size(), 0u);
    EXPECT_EQ(LogLines(), Lines{});
    EXPECT_EQ(pump.calls, 0);
}

TEST_F(SelfUpdateTest, AStagedFileChangedAfterStagingIsRefusedDeletedAndForgotten) {
    ASSERT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
    const std::string hash = KeyedHashOf(kInstaller);
    fake.fs.files[Staged()] = "MZ planted by someone else";
    app.selfUpdate.ApplyStagedUpdate();
    EXPECT_EQ(fake.processes.started.size(), 0u);
    EXPECT_EQ(fake.fs.files.count(Staged()), 0u);
    EXPECT_FALSE(app.selfUpdate.HasStagedUpdate());
    EXPECT_EQ(app.selfUpdate.StagedUpdatePath(), "");
    EXPECT_EQ(LogLines().back(), "REFUSED self-update: the staged installer changed after it was verified. want=" +
                                     hash + " got=" + KeyedHashOf("MZ planted by someone else"));
    // A later check stages afresh.
    EXPECT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
    EXPECT_EQ(fake.http.requests.size(), 2u);
}

}  // namespace

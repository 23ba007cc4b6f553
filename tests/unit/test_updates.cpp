// Downloads, installers, openers, an app's in-app update and the manager's own: every way, its log and page calls.
#include "Fixture.h"

namespace {

constexpr const char* kUrl = "https://dl.tarnwick.test/clock.exe";
const std::string kInstaller("MZ\x90\x00 the new clock installer", 28);
const std::string kSwapped = "MZ something else";

// What goes wrong on the way, besides the server's answer.
enum class Fault { None, Unreachable, NoCrypto, NoTemp, Swapped, NoStart, Cap };

class UpdateTest : public AppTest {
protected:
    UpdateTest() {
        CatalogApp& clock = AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe");
        clock.url = kUrl;
        clock.sha = app.catalog.SelfSha = hash_;
        fake.http.Serve(kUrl, kInstaller);
    }
    // A clean machine with the fault, the server answering status and body.
    void Arrange(Fault fault, int status, const std::string& body) {
        fake.fs.files.clear();
        fake.fs.folders.insert(kTemp);
        fake.http.failures.clear();
        fake.crypto.failAcquire.clear();
        fake.processes = {};
        fake.fs.afterWrite = nullptr;
        ui.calls.clear();
        app.update.SetLimitsForTest({});
        fake.http.Serve(kUrl, body, status);
        switch (fault) {
            case Fault::None: break;
            case Fault::Unreachable: fake.http.failures[kUrl] = "The connection was reset"; break;
            case Fault::NoCrypto:
                fake.crypto.failAcquire = {{CryptoProvider::RsaAes, 5}, {CryptoProvider::RsaFull, 5}};
                break;
            case Fault::NoTemp: fake.fs.folders.erase(kTemp); break;
            case Fault::Swapped:  // between the write and the run
                fake.fs.afterWrite = [this](const std::string& path) {
                    if (path == Temp()) fake.fs.files[path] = kSwapped;
                };
                break;
            case Fault::NoStart: fake.processes.startFailure = "The file cannot be run."; break;
            case Fault::Cap: app.update.SetLimitsForTest({kFetchLimitMs, kRunLimitMs, 8}); break;
        }
    }
    // Fills in {hash}, {swapped}, {url}, {temp}, and {from} and {ok}: an app update's first two log lines.
    std::string Expand(std::string text) {
        const std::pair<std::string, std::string> fields[] = {
            {"{from}", "in-app update clock <- {url}"},
            {"{ok}", "in-app update clock hash ok (256-bit, 28 bytes)"},
            {"{hash}", hash_},
            {"{swapped}", swappedHash_},
            {"{url}", kUrl},
            {"{temp}", Temp()}};
        for (const auto& [field, value] : fields)
            for (std::size_t at; (at = text.find(field)) != std::string::npos;) text.replace(at, field.size(), value);
        return text;
    }
    std::int64_t Elapsed() const { return fake.system.monotonicMs - start_; }
    std::string Temp() const { return std::string(kTemp) + "\\Pankor-app-clock.exe"; }
    std::string Staged() const { return std::string(kTemp) + "\\Pankor-update-142.exe"; }

    const std::string hash_ = KeyedHashOf(kInstaller), swappedHash_ = KeyedHashOf(kSwapped);  // before any fault
    std::int64_t start_ = fake.system.monotonicMs;
};

}  // namespace

// Failures to write or start: the app update's table; real programs: the integration tests'.
TEST_F(UpdateTest, InstallersRunHiddenForAtMostTenMinutesAndOnlyWebAddressesOpen) {
    fake.processes.waitsUntilExit = -1;  // never ends
    EXPECT_TRUE(app.update.RunAndWait("\"C:\\T\\setup.exe\" /VERYSILENT"));
    EXPECT_EQ(pump.calls, 3001);
    EXPECT_EQ(Elapsed(), 600200);
    // Only web addresses reach the browser (the refusal's line: the host's command table).
    app.update.OpenUrl("HTTPS://TARNWICK.TEST/");
    app.update.OpenUrl("file:///C:/x");
    fake.processes.openFailure = "No application is associated with the specified file for this operation.";
    app.update.OpenUrl("https://tarnwick.test/");
    EXPECT_EQ(fake.processes.opened, Lines{"HTTPS://TARNWICK.TEST/"});
    EXPECT_EQ(LogText(),
              "refused non-http url: file:///C:/x\nOpenUrl https://tarnwick.test/: No application is "
              "associated with the specified file for this operation.\n");
}

TEST_F(UpdateTest, AVerifiedAppInstallerRunsSilentlyFromTheTemporaryFolderAndIsDeleted) {
    std::string presentWhileRunning;
    fake.processes.onStart = [&](const std::string&) { presentWhileRunning = File(Temp()); };
    for (char& c : app.catalog.Apps[0].sha) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    fake.http.waitsBeforeAnswer[kUrl] = 4;  // 800 ms: progress at 400 and 800 ms, and the pump after every poll
    app.appUpdate.UpdateInApp("clock");
    ASSERT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(Asked(fake.http.requests[0]),
              std::string("GET ") + kUrl + " User-Agent=Pankor/1.0 8000 8000 30000 300000 max=536870912");
    EXPECT_EQ(pump.calls, 5);
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine, "\"" + Temp() + "\" /VERYSILENT /NORESTART");
    EXPECT_TRUE(fake.processes.started[0].hidden);
    EXPECT_EQ(presentWhileRunning, kInstaller);
    EXPECT_EQ(File(Temp()), "<missing>");
    EXPECT_EQ(Joined(ui.calls),
              "busy clock|Downloading Tarnwick Clock...\nprogress clock 50\nprogress clock 100\n"
              "progress clock -1\nbusy clock|Installing Tarnwick Clock...\nbusy clock|\nrefresh\n");
    EXPECT_EQ(LogText(), Expand("{from}\n{ok}\nin-app update clock done\n"));
    EXPECT_EQ(app.appUpdate.UpdateBusySlug(), "");
}

TEST_F(UpdateTest, EveryOtherWayThroughAnAppUpdateLogsAndTellsThePage) {
    const std::string down = "busy clock|Downloading Tarnwick Clock...\n", failed = down + "failed clock\n";
    const std::string inst = down + "busy clock|Installing Tarnwick Clock...\n";
    const std::string noCatalog = "in-app update clock: no url/sha in catalog, falling back\n";
    const std::string want(64, 'f');
    // The fetch's status, size and time-out lines are the integration tests'; a reset stands for them here.
    // The catalog's sha and url, the server's status and body, the fault, the log, the page without progress.
    const std::tuple<std::string, const char*, int, std::string, Fault, std::string, std::string> branches[] = {
        {"{hash}", "", 200, kInstaller, Fault::None, noCatalog, "failed clock\n"},
        {"", kUrl, 200, kInstaller, Fault::None, noCatalog, "failed clock\n"},
        {"{hash}", kUrl, 200, kInstaller, Fault::Unreachable, "{from}\nFetchPumping {url}: The connection was reset\n",
         failed},
        {"{hash}", kUrl, 200, "M", Fault::None, "{from}\n", failed},
        {"{hash}", kUrl, 200, "ZM\x90 backwards", Fault::None, "{from}\nREFUSED clock update: not an MZ image\n",
         failed},
        {want, kUrl, 200, kInstaller, Fault::None,
         "{from}\nREFUSED clock update: hash mismatch. want=" + want + " got={hash}\n", failed},
        {"{hash}", kUrl, 200, kInstaller, Fault::NoCrypto,
         "{from}\nCryptAcquireContext(AES) failed, err=5\nCryptAcquireContext(FULL) failed too, err=5\n"
         "REFUSED clock update: could not hash (no crypto provider)\n",
         failed},
        {"{hash}", kUrl, 200, kInstaller, Fault::NoTemp, "{from}\n{ok}\nWriteBytes {temp}: Path not found\n", failed},
        {"{hash}", kUrl, 200, kInstaller, Fault::Swapped,
         "{from}\n{ok}\nREFUSED clock update: the installer changed after it was written. want={hash} got={swapped}\n",
         inst + "failed clock\n"},
        {"{hash}", kUrl, 200, kInstaller, Fault::NoStart, "{from}\n{ok}\nRunAndWait: The file cannot be run.\n",
         inst + "failed clock\n"}};
    for (const auto& [sha, url, status, body, fault, log, page] : branches) {
        Arrange(fault, status, body);
        app.catalog.Apps[0].sha = Expand(sha);
        app.catalog.Apps[0].url = url;
        app.appUpdate.UpdateInApp("clock");
        EXPECT_EQ(LogText(), Expand(log));
        EXPECT_EQ(Joined(ui.Steps()), page) << log;
        EXPECT_TRUE(fake.processes.started.empty()) << log;
        EXPECT_EQ(File(Temp()), "<missing>") << log;  // never left behind
        EXPECT_EQ(app.appUpdate.UpdateBusySlug(), "");
    }
    Arrange(Fault::None, 200, kInstaller);
    app.catalog.Apps[0].installed.clear();
    for (const char* slug : {"radio", "clock"}) app.appUpdate.UpdateInApp(slug);  // unknown, not installed
    EXPECT_EQ(LogText() + Joined(ui.calls), "");
}

TEST_F(UpdateTest, TheManagersInstallerIsStagedUnderItsVersionAndAppliedHidden) {
    app.selfUpdate.ApplyStagedUpdate();                          // nothing staged: nothing happens
    EXPECT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));  // the installer it runs below is what came
    ASSERT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(Asked(fake.http.requests[0]),
              std::string("GET ") + kUrl + " User-Agent=Pankor/1.0 8000 8000 8000 120000 max=536870912");
    EXPECT_EQ(pump.calls, 0);  // a blocking download: nothing is dispatched meanwhile

    start_ = fake.system.monotonicMs;
    app.selfUpdate.ApplyStagedUpdate();
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine, "\"" + Staged() + "\" /VERYSILENT /NORESTART /RELAUNCH=/tray");
    EXPECT_GE(Elapsed(), 700);  // messages run for seven tenths of a second
    EXPECT_LT(Elapsed(), 700 + pump.advanceMs + 20);
    EXPECT_TRUE(app.selfUpdate.HasStagedUpdate());  // applying again starts the same installer
    EXPECT_EQ(LogText(), "self-update hash ok (256-bit)\nself-update staged: " + Staged() +
                             " (28 bytes)\napplying self-update: " + Staged() + "\n");

    ASSERT_TRUE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
    fake.fs.files[Staged()] = kSwapped;  // planted by someone else
    app.selfUpdate.ApplyStagedUpdate();
    EXPECT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(File(Staged()), "<missing>");
    EXPECT_FALSE(app.selfUpdate.HasStagedUpdate());
    EXPECT_EQ(
        LogLines().back(),
        Expand("REFUSED self-update: the staged installer changed after it was verified. want={hash} got={swapped}"));
}

TEST_F(UpdateTest, ARefusedSelfUpdateStagesNothingAndSaysWhy) {
    const std::tuple<int, std::string, std::string, Fault, std::string> cases[] = {
        // status, body, the catalog's sha, the fault, the log
        {404, "", "{hash}", Fault::None, "self-update download status 404\n"},
        {200, kInstaller, "{hash}", Fault::Unreachable, "StageSelfUpdate error: The connection was reset\n"},
        {200, "ZM the next Pankor", "{hash}", Fault::None, "REFUSED self-update: not an MZ image\n"},
        {200, kInstaller, "", Fault::None, "REFUSED self-update: catalog carried no hash\n"},
        {200, kInstaller, "{hash}", Fault::NoCrypto,
         "CryptAcquireContext(AES) failed, err=5\nCryptAcquireContext(FULL) failed too, err=5\n"
         "REFUSED self-update: could not hash (no crypto provider)\n"},
        {200, kInstaller, "ffff", Fault::None, "REFUSED self-update: hash mismatch. want=ffff got={hash}\n"},
        {200, kInstaller, "{hash}", Fault::NoTemp,
         "self-update hash ok (256-bit)\nStageSelfUpdate error: Path not found\n"},
        {200, kInstaller, "{hash}", Fault::Cap, "self-update download too large: more than 8 bytes\n"}};
    for (const auto& [status, body, sha, fault, log] : cases) {
        Arrange(fault, status, body);
        app.catalog.SelfSha = Expand(sha);
        EXPECT_FALSE(app.selfUpdate.StageSelfUpdate(kUrl, "1.4.2"));
        EXPECT_EQ(LogText(), Expand(log));
        EXPECT_EQ(app.selfUpdate.StagedUpdatePath() + File(Staged()), "<missing>");
    }
    EXPECT_FALSE(app.selfUpdate.StageSelfUpdate("", "1.4.2"));
    EXPECT_EQ(fake.http.requests.size(), 8u);  // no address, no request
}

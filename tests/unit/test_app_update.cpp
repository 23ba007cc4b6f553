// The in-app update: every way through it, its log lines and page calls.
#include "HostFixture.h"

using namespace pankor;
using pankor::testing::HostTest;
using pankor::testing::Lines;

namespace {

constexpr const char* kUrl = "https://dl.tarnwick.test/clock.exe";
const std::string kInstaller("MZ\x90\x00 the new clock installer", 28);

class AppUpdateTest : public HostTest {
protected:
    AppUpdateTest() {
        CatalogApp& clock = AddApp("clock", "Tarnwick Clock", "Tarnwick\\Clock\\clock.exe");
        clock.url = kUrl;
        clock.sha = KeyedHashOf(kInstaller);
        CatalogApp& notes = AddApp("notes", "Notes", "Tarnwick\\Notes\\notes.exe");
        notes.url = "https://dl.tarnwick.test/notes.exe";
        notes.sha = KeyedHashOf("MZ notes");
        fake.http.Serve(kUrl, kInstaller);
        fake.http.Serve(notes.url, "MZ notes");
        fake.crypto.calls.clear();
    }
    std::string Temp() const { return std::string(kTemp) + "\\Pankor-app-clock.exe"; }
};

TEST_F(AppUpdateTest, AVerifiedInstallerRunsSilentlyFromTheTemporaryFolderAndIsDeleted) {
    std::string presentWhileRunning;
    fake.processes.onStart = [&](const std::string&) { presentWhileRunning = fake.fs.files[Temp()]; };
    app.appUpdate.UpdateInApp("clock");

    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine, "\"" + Temp() + "\" /VERYSILENT /NORESTART");
    EXPECT_TRUE(fake.processes.started[0].hidden);
    EXPECT_EQ(presentWhileRunning, kInstaller);
    EXPECT_EQ(fake.fs.files.count(Temp()), 0u);
    EXPECT_EQ(ui.calls, (Lines{"busy clock|Downloading Tarnwick Clock...", "progress clock -1",
                               "busy clock|Installing Tarnwick Clock...", "busy clock|", "refresh"}));
    EXPECT_EQ(LogLines(), (Lines{"in-app update clock <- https://dl.tarnwick.test/clock.exe",
                                 "in-app update clock hash ok (256-bit, " + std::to_string(kInstaller.size()) + " bytes)",
                                 "in-app update clock done"}));
    EXPECT_EQ(app.appUpdate.UpdateBusySlug(), "");
}

// One way through: what the catalog says, what the server and the machine do,
// and what the log and the page then show ("{hash}" is the installer's hash).
struct Branch {
    const char* name;
    const char* sha;         // the catalog's: "{hash}", "{HASH} " (other case, a blank), or a text
    const char* url;         // the catalog's
    int status;
    std::string body;
    bool silentServer;
    bool tempFolder;         // the temporary folder exists
    const char* startFailure;
    bool noCrypto;
    bool ran;                // the installer was started
    Lines log;
    Lines page;              // without progress reports
};

std::string Expand(std::string text, const std::string& hash) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{hash}", hash},
                                     {"{HASH}", [&] {
                                          std::string up = hash;
                                          for (char& c : up) c = static_cast<char>(std::toupper(c));
                                          return up;
                                      }()}})
        for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

class UpdateBranch : public AppUpdateTest, public ::testing::WithParamInterface<Branch> {};

TEST_P(UpdateBranch, LogsAndTellsThePageExactly) {
    const Branch& b = GetParam();
    const std::string hash = KeyedHashOf(kInstaller);
    CatalogApp& clock = app.catalog.Apps[0];
    clock.sha = Expand(b.sha, hash);
    clock.url = b.url;
    fake.http.Serve(kUrl, b.body, b.status);
    if (b.silentServer) fake.http.silent.insert(kUrl);
    if (!b.tempFolder) fake.fs.folders.erase(kTemp);
    fake.processes.startFailure = b.startFailure;
    if (b.noCrypto) fake.crypto.failAcquire = {{CryptoProvider::RsaAes, 5}, {CryptoProvider::RsaFull, 5}};

    app.appUpdate.UpdateInApp("clock");

    Lines log;
    for (const std::string& line : b.log) log.push_back(Expand(line, hash));
    EXPECT_EQ(LogLines(), log);
    EXPECT_EQ(ui.Steps(), b.page);
    EXPECT_EQ(fake.processes.started.size(), b.ran ? 1u : 0u);
    EXPECT_EQ(fake.fs.files.count(Temp()), 0u);  // never left behind
    EXPECT_EQ(app.appUpdate.UpdateBusySlug(), "");
}

const Lines kDownloading{"busy clock|Downloading Tarnwick Clock..."};
const Lines kFailedDownloading{"busy clock|Downloading Tarnwick Clock...", "failed clock"};
const Lines kFailedInstalling{"busy clock|Downloading Tarnwick Clock...", "busy clock|Installing Tarnwick Clock...",
                              "failed clock"};
const std::string kFrom = "in-app update clock <- https://dl.tarnwick.test/clock.exe";
const std::string kHashOk = "in-app update clock hash ok (256-bit, " + std::to_string(kInstaller.size()) + " bytes)";

INSTANTIATE_TEST_SUITE_P(
    Ways, UpdateBranch,
    ::testing::Values(
        Branch{"NoUrl", "{hash}", "", 200, kInstaller, false, true, "", false, false,
               {"in-app update clock: no url/sha in catalog, falling back"}, {"failed clock"}},
        Branch{"NoSha", "", kUrl, 200, kInstaller, false, true, "", false, false,
               {"in-app update clock: no url/sha in catalog, falling back"}, {"failed clock"}},
        Branch{"NotFound", "{hash}", kUrl, 404, "<html>", false, true, "", false, false,
               {kFrom, "FetchPumping https://dl.tarnwick.test/clock.exe status 404"}, kFailedDownloading},
        Branch{"Silent", "{hash}", kUrl, 200, kInstaller, true, true, "", false, false,
               {kFrom, "FetchPumping timed out: https://dl.tarnwick.test/clock.exe"}, kFailedDownloading},
        Branch{"OneByte", "{hash}", kUrl, 200, "M", false, true, "", false, false, {kFrom}, kFailedDownloading},
        Branch{"ZM", "{hash}", kUrl, 200, "ZM\x90 an installer backwards", false, true, "", false, false,
               {kFrom, "REFUSED clock update: not an MZ image"}, kFailedDownloading},
        Branch{"HashMismatch", "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef", kUrl, 200,
               kInstaller, false, true, "", false, false,
               {kFrom,
                "REFUSED clock update: hash mismatch. want=0123456789abcdef0123456789abcdef0123456789abcdef0123456789a"
                "bcdef got={hash}"},
               kFailedDownloading},
        Branch{"NoCrypto", "{hash}", kUrl, 200, kInstaller, false, true, "", true, false,
               {kFrom, "CryptAcquireContext(AES) failed, err=5", "CryptAcquireContext(FULL) failed too, err=5",
                "REFUSED clock update: could not hash (no crypto provider)"},
               kFailedDownloading},
        Branch{"NotWritten", "{hash}", kUrl, 200, kInstaller, false, false, "", false, false,
               {kFrom, kHashOk,
                "WriteBytes C:\\Users\\ann\\AppData\\Local\\Temp\\Pankor-app-clock.exe: Path not found"},
               kFailedDownloading},
        Branch{"NotStarted", "{hash}", kUrl, 200, kInstaller, false, true, "The file cannot be run.", false, false,
               {kFrom, kHashOk, "RunAndWait: The file cannot be run."}, kFailedInstalling},
        Branch{"HashInOtherCase", "{HASH} ", kUrl, 200, kInstaller, false, true, "", false, true,
               {kFrom, kHashOk, "in-app update clock done"},
               {"busy clock|Downloading Tarnwick Clock...", "busy clock|Installing Tarnwick Clock...", "busy clock|",
                "refresh"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Ignored {
    const char* name;
    const char* slug;
    const char* installed;
};

class IgnoredUpdate : public AppUpdateTest, public ::testing::WithParamInterface<Ignored> {};

TEST_P(IgnoredUpdate, DoesNothingAndSaysNothing) {
    const Ignored& c = GetParam();
    app.catalog.Apps[0].installed = c.installed;
    app.appUpdate.UpdateInApp(c.slug);
    EXPECT_EQ(LogLines(), Lines{});
    EXPECT_EQ(ui.calls, Lines{});
    EXPECT_EQ(fake.http.requests.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, IgnoredUpdate,
                         ::testing::Values(Ignored{"UnknownSlug", "radio", "1.0"},
                                           Ignored{"NotInstalled", "clock", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppUpdateTest, ASecondUpdateWhileTheFirstDownloadsDoesNothingAndWorksAfterwards) {
    fake.http.waitsBeforeAnswer[kUrl] = 3;
    int nested = 0;
    pump.onPump = [&] {
        ++nested;
        app.appUpdate.UpdateInApp("notes");  // the page's command, dispatched by the download's pump
        EXPECT_EQ(app.appUpdate.UpdateBusySlug(), "clock");
    };
    app.appUpdate.UpdateInApp("clock");
    pump.onPump = nullptr;
    EXPECT_EQ(nested, 4);
    ASSERT_EQ(fake.http.requests.size(), 1u);
    for (const std::string& line : LogLines()) EXPECT_EQ(line.find("notes"), std::string::npos) << line;
    for (const std::string& call : ui.calls) EXPECT_EQ(call.find("notes"), std::string::npos) << call;

    app.appUpdate.UpdateInApp("notes");
    ASSERT_EQ(fake.http.requests.size(), 2u);
    EXPECT_EQ(fake.http.requests[1].url, "https://dl.tarnwick.test/notes.exe");
    EXPECT_EQ(LogLines().back(), "in-app update notes done");
}

TEST_F(AppUpdateTest, AnInstallerChangedAfterItWasWrittenIsNeverRun) {
    const std::string hash = KeyedHashOf(kInstaller);
    const std::string swapped = "MZ something else entirely";
    const std::string swappedHash = KeyedHashOf(swapped);
    fake.fs.afterWrite = [&](const std::string& path) {
        if (path == Temp()) fake.fs.files[path] = swapped;
    };
    app.appUpdate.UpdateInApp("clock");
    EXPECT_EQ(fake.processes.started.size(), 0u);
    EXPECT_EQ(fake.fs.files.count(Temp()), 0u);
    EXPECT_EQ(LogLines().back(), "REFUSED clock update: the installer changed after it was written. want=" + hash +
                                     " got=" + swappedHash);
    EXPECT_EQ(ui.Steps().back(), "failed clock");
}

TEST_F(AppUpdateTest, DownloadProgressReachesTheCardInPercent) {
    fake.http.waitsBeforeAnswer[kUrl] = 4;
    app.appUpdate.UpdateInApp("clock");
    Lines progress;
    for (const std::string& c : ui.calls)
        if (c.rfind("progress ", 0) == 0) progress.push_back(c);
    EXPECT_EQ(progress, (Lines{"progress clock 50", "progress clock 100", "progress clock -1"}));
}

}  // namespace

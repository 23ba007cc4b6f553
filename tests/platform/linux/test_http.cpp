// HTTP on the Linux host against the publisher's kit serving on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxHttp.h"
#include "startup/Pankor.h"

using namespace pankor;
using pankor::testing::ChildProcess;
using pankor::testing::ReadAll;
using pankor::testing::TempFolder;
using pankor::testing::WriteAll;

namespace {

// A publisher folder served by `pankor-publish serve`, with a catalog signed
// by the development signing key.
class Publisher : public ::testing::Test {
protected:
    void Start(std::vector<std::string> switches = {}) {
        WriteAll(dir / "pankor/catalog.json", catalog);
        std::vector<std::string> sign{PUBLISH_EXE, "sign", dir / "pankor/catalog.json", "--key",
                                      std::string(PANKOR_SOURCE_DIR) + "/keys/dev/development-signing.private.pem"};
        ChildProcess signer(sign);
        ASSERT_EQ(signer.Wait(), 0);
        std::vector<std::string> argv{PUBLISH_EXE, "serve", dir.path(), "--port", "0"};
        argv.insert(argv.end(), switches.begin(), switches.end());
        server = std::make_unique<ChildProcess>(argv);
        const std::string line = server->ReadLine();
        const std::size_t at = line.find(" at ");
        ASSERT_NE(at, std::string::npos) << line;
        base = line.substr(at + 4);
        std::string why;
        ASSERT_TRUE(app.catalog.UsePublisher(base, why)) << why;
        app.process.DataDir = data.path();
        app.process.DebugMode = true;
    }
    std::string Log() const { return ReadAll(data / "debug.log"); }
    HttpRequest Request(const std::string& path) const {
        HttpRequest r;
        r.url = base + path;
        return r;
    }

    std::string catalog =
        "{\"serial\":3,\"apps\":[{\"slug\":\"clock\",\"name\":\"Clock\"}],\"pankor\":{\"version\":\"1.2.0.0\"}}";
    TempFolder dir, data;
    std::unique_ptr<ChildProcess> server;
    std::string base;
    NativePlatform native;
    Pankor app{native.Get()};
};

}  // namespace

TEST_F(Publisher, ASignedCatalogLoadsOverRealHttpWithTheRightHeaders) {
    Start();
    ASSERT_TRUE(app.catalog.LoadCatalog()) << Log();
    EXPECT_EQ(app.catalog.Apps[0].name, "Clock");
    EXPECT_EQ(app.catalog.SelfVersion, "1.2.0.0");
    EXPECT_NE(Log().find("SIG: ok (signing key)"), std::string::npos);

    const std::string requests = ReadAll(dir / "reports/requests.jsonl");
    EXPECT_NE(requests.find("/pankor/catalog.json.sig"), std::string::npos) << requests;
    for (const char* header :
         {"\"User-Agent\":\"Pankor/1.0\"", "\"Cache-Control\":\"no-cache\"", "\"Pragma\":\"no-cache\""})
        EXPECT_NE(requests.find(header), std::string::npos) << header << "\n" << requests;
    EXPECT_EQ(requests.find("Cookie"), std::string::npos);
    EXPECT_EQ(requests.find("Accept\""), std::string::npos);  // nothing beyond what we send
}

TEST_F(Publisher, MissingCatalogIsLoggedAndAMissingSignatureIsSilent) {
    Start({"--status", "/pankor/catalog.json.sig=404"});
    EXPECT_EQ(app.catalog.HttpGet(base + "/pankor/catalog.json.sig"), "");
    Bytes bytes;
    EXPECT_FALSE(app.catalog.HttpGetBytes(base + "/pankor/none.json", bytes));
    EXPECT_EQ(Log().substr(9), "HttpGetBytes " + base + "/pankor/none.json status 404\r\n");
    EXPECT_FALSE(app.catalog.LoadCatalog());
    EXPECT_NE(Log().find("SIG: refused, no signature supplied"), std::string::npos);
}

TEST_F(Publisher, EmptyAndOversizedAnswersAreRefused) {
    WriteAll(dir / "empty.json", "");
    WriteAll(dir / "huge.json", std::string(kMaxCatalogBytes + 1, ' '));
    WriteAll(dir / "huge.sig", std::string(kMaxSignatureBytes + 1, 'a'));
    Start();
    Bytes bytes;
    EXPECT_FALSE(app.catalog.HttpGetBytes(base + "/empty.json", bytes));
    EXPECT_EQ(app.catalog.HttpGet(base + "/empty.json"), "");
    EXPECT_FALSE(app.catalog.HttpGetBytes(base + "/huge.json", bytes));
    EXPECT_EQ(app.catalog.HttpGet(base + "/huge.sig"), "");
    const std::string log = Log();
    EXPECT_NE(log.find("HttpGetBytes " + base + "/huge.json too large"), std::string::npos) << log;
    EXPECT_NE(log.find("HttpGet " + base + "/huge.sig too large"), std::string::npos) << log;
    EXPECT_EQ(log.find("empty.json"), std::string::npos);  // an empty answer is no news
}

TEST_F(Publisher, AServerThatNeverAnswersFailsAfterTheReceiveLimit) {
    Start({"--hang", "/slow.json"});
    HttpRequest r = Request("/slow.json");
    r.receiveTimeoutMs = 2000;
    const auto start = std::chrono::steady_clock::now();
    const Result<HttpResponse> answer = LinuxHttp().Get(r);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(answer.ok());
    EXPECT_FALSE(answer.error().empty());
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(8000));
}

TEST_F(Publisher, UnreachableServersAreTransportFailures) {
    Start();
    server.reset();  // nobody listens there any more
    Bytes bytes;
    EXPECT_FALSE(app.catalog.HttpGetBytes(base + "/pankor/catalog.json", bytes));
    EXPECT_NE(Log().find("HttpGetBytes failed " + base + "/pankor/catalog.json : "), std::string::npos) << Log();
    HttpRequest r;
    r.url = "http://nonexistent.invalid/";
    EXPECT_FALSE(LinuxHttp().Get(r).ok());
}

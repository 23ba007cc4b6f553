#pragma once
// Requests against a server inside the test process, as the catalog, signature and update fetches
// and the reports make them, blocking or as transfers the GUI thread polls. Host: http.
#include <atomic>

#include "ContractSupport.h"
#include "TestHttpServer.h"

namespace pankor::contract {

using namespace test;
using Lines = std::vector<std::string>;

using Clock = std::chrono::steady_clock;
inline std::int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}
// The request the catalog fetch makes.
inline HttpRequest Request(const std::string& url, std::size_t maxBody = 0, int receiveTimeoutMs = 5000) {
    HttpRequest r;
    r.url = url;
    r.headers = {{"User-Agent", "Pankor/1.0"}, {"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
    std::tie(r.maxBodyBytes, r.receiveTimeoutMs) = std::tuple(maxBody, receiveTimeoutMs);
    return r;
}

template <typename Host>
using HttpContract = HostTest<Host>;
TYPED_TEST_SUITE(HttpContract, ContractHosts);

TYPED_TEST(HttpContract, AnswersCarryTheirStatusHeadersAndExactBodyAndRequestsGoOutAsGiven) {
    const std::string big = Pattern(200000);  // several reads of a buffer
    const std::string report = "{\"kind\":\"issue\",\"text\":\"caf\xC3\xA9 \\\"quoted\\\"\"}";
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        // path, reply, status, body
        {"/catalog.json", Reply("200 OK", big), 200, big},
        {"/catalog.json.sig", Reply("404 Not Found", "no such file"), 404, "no such file"},
        {"/stream", Reply("200 OK", "ends where the server closes", false), 200, "ends where the server closes"},
        {"/old?x=1",
         "HTTP/1.1 302 Found\r\nLocation: /catalog.json.sig\r\nSet-Cookie: visitor=abc; Path=/\r\n"
         "Content-Length: 0\r\nConnection: close\r\n\r\n",
         404, "no such file"}};  // followed
    TestHttpServer server([&](HttpExchange& exchange) {
        for (const auto& [path, reply, status, body] : cases)
            if (exchange.Path() == path) exchange.Send(reply);
        if (exchange.Path() == "/issue.php") exchange.Send(Reply("200 OK", "ok\n"));
    });
    for (const auto& [path, reply, status, body] : cases) {
        const Result<HttpResponse> answer = this->host.http.Get(Request(server.Base() + path));
        ASSERT_TRUE(answer.ok()) << path << ": " << answer.error();
        EXPECT_TRUE(answer->status == status && !answer->tooLarge && Text(answer->body) == body)
            << path << ": " << answer->status << ", " << answer->body.size() << " bytes";
    }
    HttpRequest post = Request(server.Base() + "/issue.php");
    post.method = "POST";
    post.body = report;
    post.headers = {{"Content-Type", "application/json"}, {"User-Agent", "Pankor/1.0"}};
    const Result<HttpResponse> answer = this->host.http.Send(post);
    ASSERT_TRUE(answer.ok()) << answer.error();
    EXPECT_EQ(std::pair(answer->status, Text(answer->body)), std::pair(200, std::string("ok\n")));

    const Lines requests = server.Requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[3].substr(0, requests[3].find("\r\n")), "GET /old?x=1 HTTP/1.1");
    EXPECT_EQ(requests[5].substr(0, requests[5].find("\r\n")), "POST /issue.php HTTP/1.1");
    EXPECT_EQ(requests[5].substr(requests[5].find("\r\n\r\n") + 4), report);
    EXPECT_EQ(HeaderLines(requests[5], {"content-length"}), Lines{"Content-Length: " + std::to_string(report.size())});
    for (const std::string& request : requests)  // as given, nothing more: not the cookie the redirect set
        EXPECT_EQ(HeaderLines(request, {"user-agent", "cache-control", "pragma", "content-type", "cookie",
                                        "authorization", "referer", "accept"}),
                  (&request == &requests.back()
                       ? Lines{"Content-Type: application/json", "User-Agent: Pankor/1.0"}
                       : Lines{"User-Agent: Pankor/1.0", "Cache-Control: no-cache", "Pragma: no-cache"}))
            << request;
}

TYPED_TEST(HttpContract, BodiesOverTheLimitAreAbandonedEarly) {
    constexpr std::size_t kLimit = 256 * 1024, kFlood = 64u << 20;
    std::atomic<std::size_t> floodSent{0};
    std::atomic<int> done{0};  // the over-limit answers the server has finished
    std::atomic<bool> announcedLeft{false};
    const std::string exact = Pattern(kLimit);
    TestHttpServer server([&](HttpExchange& exchange) {
        if (exchange.Path().starts_with("/exact")) exchange.Send(Reply("200 OK", exact, exchange.Path() == "/exact"));
        if (exchange.Path() == "/announced") {  // a client that read on would wait for its time-out
            exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: 10000000\r\nConnection: close\r\n\r\nstart");
            announcedLeft = exchange.WaitUntilClosed(20000);
            ++done;
        }
        if (exchange.Path() == "/flood") {
            exchange.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            for (const std::string chunk = Pattern(1 << 16); floodSent < kFlood && exchange.Send(chunk);)
                floodSent += chunk.size();
            ++done;
        }
    });
    for (const char* path : {"/exact", "/exact-unannounced", "/announced", "/flood"}) {
        const bool over = path[1] != 'e';
        const Result<HttpResponse> answer = this->host.http.Get(Request(server.Base() + path, kLimit));
        ASSERT_TRUE(answer.ok()) << path << ": " << answer.error();
        EXPECT_TRUE(answer->status == 200 && answer->tooLarge == over && Text(answer->body) == (over ? "" : exact))
            << path << ": " << answer->status << ", " << answer->body.size() << " bytes";
    }
    ASSERT_TRUE(WaitUntil([&] { return done == 2; }, 30));
    EXPECT_TRUE(announcedLeft) << "the client kept the connection open";
    EXPECT_LT(floodSent.load(), kFlood) << "the client read the whole body before giving up";
}

TYPED_TEST(HttpContract, WaitsNeverOutlastWhatWasAskedAndProgressShows) {
    const std::string body = Pattern(100000);
    std::atomic<bool> release{false};
    TestHttpServer server([&](HttpExchange& exchange) {
        exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n");
        exchange.Send(std::string_view(body).substr(0, 40000));
        WaitUntil([&] { return release.load(); });
        exchange.Send(std::string_view(body).substr(40000));
    });
    const std::unique_ptr<IHttpTransfer> t = this->host.http.Begin(Request(server.Base() + "/setup.exe"));
    ASSERT_TRUE(t);
    // The first part arrives and shows, while the rest keeps the transfer open.
    const auto start = Clock::now();
    HttpProgress p;
    while ((p = t->Progress()).received < 40000 && MsSince(start) < 10000) {
        const auto before = Clock::now();
        EXPECT_FALSE(t->Wait(50));
        EXPECT_LT(MsSince(before), 50 + 250) << "a wait outlasted what was asked";
    }
    EXPECT_EQ(std::pair(p.received, p.total), std::pair(std::uint64_t{40000}, std::uint64_t{100000}));
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return t->Wait(100); }, 20));
    EXPECT_TRUE(t->Wait(0));  // finished stays finished
    EXPECT_EQ(t->Progress().received, 100000u);
    Result<HttpResponse> answer = t->Take();
    ASSERT_TRUE(answer.ok()) << answer.error();
    EXPECT_TRUE(answer->status == 200 && Text(answer->body) == body) << answer->status;
}

TYPED_TEST(HttpContract, ASilentServerFailsAtTheReceiveLimitAndAnAbandonedTransferLetsGoAtOnce) {
    TestHttpServer silent([](HttpExchange& exchange) { exchange.WaitUntilClosed(30000); });
    auto start = Clock::now();
    EXPECT_TRUE(Described(this->host.http.Get(Request(silent.Base() + "/catalog.json", 0, 1500))));
    EXPECT_GE(MsSince(start), 1200) << "gave up before the receive limit";
    EXPECT_LT(MsSince(start), 10000) << "the receive limit was not applied";

    auto t = this->host.http.Begin(Request(silent.Base() + "/silent"));
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->Wait(300));
    start = Clock::now();
    t.reset();
    EXPECT_LT(MsSince(start), 500) << "dropping a transfer waited for it";
}

TYPED_TEST(HttpContract, ServersThatCannotBeReachedAreDescribedFailures) {
    const std::pair<std::string, const char*> cases[] = {
        // the address, what the description says (lower case)
        {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/catalog.json", "connect"},
        {"http://nonexistent.invalid/catalog.json", "resolve"},
        {"ftp://127.0.0.1/catalog.json", ""},
        {"not an address", ""},
        {"", ""}};
    for (const auto& [url, says] : cases) {
        const Result<HttpResponse> answer = this->host.http.Get(Request(url));
        EXPECT_TRUE(Described(answer)) << url;
        EXPECT_NE(LowerAscii(answer.error()).find(says), std::string::npos) << url << ": " << answer.error();
    }
}

}  // namespace pankor::contract

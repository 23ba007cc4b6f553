#pragma once
// One GET per call, against a server inside the test process, as the
// catalog, signature and update fetches use it. Host: http.
#include <atomic>
#include <chrono>

#include "ContractSupport.h"
#include "TestHttpServer.h"
#include "platform/IHttp.h"

namespace pankor::contract {

using test::HttpExchange;
using test::Reply;
using test::TestHttpServer;

template <typename Host>
class HttpContract : public ::testing::Test {
protected:
    // The request the catalog fetch makes.
    Result<HttpResponse> Get(const std::string& url, std::size_t maxBody = 0, int receiveTimeoutMs = 5000) {
        HttpRequest request;
        request.url = url;
        request.headers = {{"User-Agent", "Pankor/1.0"}, {"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
        request.maxBodyBytes = maxBody;
        request.receiveTimeoutMs = receiveTimeoutMs;
        return host.http.Get(request);
    }
    Host host;
};
TYPED_TEST_SUITE_P(HttpContract);

TYPED_TEST_P(HttpContract, AnswersCarryTheirStatusAndExactBodyAndHeadersGoOutAsGiven) {
    const std::string big = Pattern(200000);  // several reads of a buffer
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        // path, reply, status, body
        {"/catalog.json", Reply("200 OK", big), 200, big},
        {"/catalog.json.sig", Reply("404 Not Found", "no such file"), 404, "no such file"},
        {"/empty", Reply("200 OK", ""), 200, ""},
        {"/stream", Reply("200 OK", "ends where the server closes", false), 200, "ends where the server closes"},
        {"/old?x=1",
         "HTTP/1.1 302 Found\r\nLocation: /catalog.json.sig\r\nSet-Cookie: visitor=abc; Path=/\r\n"
         "Content-Length: 0\r\nConnection: close\r\n\r\n",
         404, "no such file"}};  // followed
    TestHttpServer server([&](HttpExchange& exchange) {
        for (const auto& [path, reply, status, body] : cases)
            if (exchange.Path() == path) exchange.Send(reply);
    });
    for (const auto& [path, reply, status, body] : cases) {
        const Result<HttpResponse> answer = this->Get(server.Base() + path);
        ASSERT_TRUE(answer.ok()) << path << ": " << answer.error();
        EXPECT_EQ(answer->status, status) << path;
        EXPECT_FALSE(answer->tooLarge) << path;
        EXPECT_TRUE(Text(answer->body) == body) << path << ": " << answer->body.size() << " bytes";
    }
    const std::vector<std::string> heads = server.Requests();
    ASSERT_EQ(heads.size(), 6u);
    EXPECT_EQ(heads[4].substr(0, heads[4].find("\r\n")), "GET /old?x=1 HTTP/1.1");
    for (const std::string& head : heads) {
        const std::vector<std::string> lines = test::HeaderLines(head, {"user-agent", "cache-control", "pragma"});
        EXPECT_EQ(lines,
                  (std::vector<std::string>{"User-Agent: Pankor/1.0", "Cache-Control: no-cache", "Pragma: no-cache"}));
        // The cookie set by the redirect must not come back, nor anything else not given.
        EXPECT_TRUE(test::HeaderLines(head, {"cookie", "authorization", "referer", "accept"}).empty()) << head;
    }
}

TYPED_TEST_P(HttpContract, BodiesOverTheLimitAreAbandonedEarly) {
    constexpr std::size_t kLimit = 256 * 1024, kFlood = 64u << 20;
    std::atomic<std::size_t> floodSent{0};
    std::atomic<int> done{0};  // the over-limit answers the server has finished
    std::atomic<bool> announcedLeft{false};
    const std::string exact = Pattern(kLimit);
    TestHttpServer server([&](HttpExchange& exchange) {
        if (exchange.Path() == "/exact") exchange.Send(Reply("200 OK", exact));
        if (exchange.Path() == "/exact-unannounced") exchange.Send(Reply("200 OK", exact, false));
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
        const Result<HttpResponse> answer = this->Get(server.Base() + path, kLimit);
        ASSERT_TRUE(answer.ok()) << path << ": " << answer.error();
        EXPECT_EQ(answer->status, 200) << path;
        EXPECT_EQ(answer->tooLarge, over) << path;
        EXPECT_TRUE(Text(answer->body) == (over ? "" : exact)) << path;
    }
    ASSERT_TRUE(WaitUntil([&] { return done == 2; }, 30));
    EXPECT_TRUE(announcedLeft) << "the client kept the connection open";
    EXPECT_LT(floodSent.load(), kFlood) << "the client read the whole body before giving up";
}

TYPED_TEST_P(HttpContract, ASilentServerFailsAtTheReceiveLimit) {
    TestHttpServer silent([](HttpExchange& exchange) { exchange.WaitUntilClosed(30000); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Described(this->Get(silent.Base() + "/catalog.json", 0, 1500)));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1200)) << "gave up before the receive limit";
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the receive limit was not applied";
}

TYPED_TEST_P(HttpContract, ServersThatCannotBeReachedAreDescribedFailures) {
    const std::pair<std::string, const char*> cases[] = {
        // the address, what the description says (lower case)
        {"http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/catalog.json", "connect"},
        {"http://nonexistent.invalid/catalog.json", "resolve"},
        {"ftp://127.0.0.1/catalog.json", ""},
        {"not an address", ""},
        {"", ""}};
    for (const auto& [url, says] : cases) {
        const Result<HttpResponse> answer = this->Get(url);
        EXPECT_TRUE(Described(answer)) << url;
        EXPECT_NE(test::Lower(answer.error()).find(says), std::string::npos) << url << ": " << answer.error();
    }
}

REGISTER_TYPED_TEST_SUITE_P(HttpContract, AnswersCarryTheirStatusAndExactBodyAndHeadersGoOutAsGiven,
                            BodiesOverTheLimitAreAbandonedEarly, ASilentServerFailsAtTheReceiveLimit,
                            ServersThatCannotBeReachedAreDescribedFailures);

}  // namespace pankor::contract

#pragma once
// One GET per call against a server inside the test process: what the
// catalog, signature and update fetches rely on.
//
// Fixture: IHttp& Service().
#include <algorithm>
#include <atomic>
#include <chrono>

#include "ContractSupport.h"
#include "TestHttpServer.h"
#include "platform/IHttp.h"

namespace pankor::contract {

using test::HttpExchange;
using test::Reply;
using test::TestHttpServer;

template <typename F>
class HttpContract : public ::testing::Test {
protected:
    IHttp& http() { return f.Service(); }
    // The request the catalog fetch makes.
    static HttpRequest Request(const std::string& url) {
        HttpRequest request;
        request.url = url;
        request.headers = {{"User-Agent", "Pankor/1.0"}, {"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
        return request;
    }
    static std::string Lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return text;
    }
    // The head's header lines with one of these (lower-case) names.
    static std::vector<std::string> Named(const std::string& head, std::initializer_list<const char*> names) {
        std::vector<std::string> found;
        for (const std::string& line : test::HeaderLines(head)) {
            const std::string name = Lower(line.substr(0, line.find(':')));
            if (std::find(names.begin(), names.end(), name) != names.end()) found.push_back(line);
        }
        return found;
    }
    F f;
};
TYPED_TEST_SUITE_P(HttpContract);

TYPED_TEST_P(HttpContract, AnswersCarryTheirStatusAndExactBody) {
    const struct {
        std::string path;
        std::string reply;
        int status;
        std::string body;
    } cases[] = {
        {"/catalog.json", Reply("200 OK", Pattern(200000)), 200, Pattern(200000)},  // several reads of a buffer
        {"/catalog.json.sig", Reply("404 Not Found", "no such file"), 404, "no such file"},
        {"/empty", Reply("200 OK", ""), 200, ""},
        {"/stream", Reply("200 OK", "ends where the server closes", false), 200, "ends where the server closes"},
    };
    TestHttpServer server([&](HttpExchange& exchange) {
        for (const auto& c : cases)
            if (exchange.Path() == c.path) exchange.Send(c.reply);
    });
    for (const auto& c : cases) {
        const Result<HttpResponse> answer = this->http().Get(this->Request(server.Base() + c.path));
        ASSERT_TRUE(answer.ok()) << c.path << ": " << answer.error();
        EXPECT_EQ(answer->status, c.status) << c.path;
        EXPECT_FALSE(answer->tooLarge) << c.path;
        EXPECT_TRUE(Text(answer->body) == c.body) << c.path << ": " << answer->body.size() << " bytes";
    }
    const std::vector<std::string> heads = server.Requests();
    ASSERT_EQ(heads.size(), 4u);
    EXPECT_EQ(heads[1].substr(0, heads[1].find("\r\n")), "GET /catalog.json.sig HTTP/1.1");
}

TYPED_TEST_P(HttpContract, SendsTheGivenHeadersInOrderAndNothingPersonal) {
    TestHttpServer server([](HttpExchange& exchange) {
        if (exchange.Path() == "/old/catalog.json")
            exchange.Send(
                "HTTP/1.1 302 Found\r\nLocation: /new/catalog.json?serial=7\r\nSet-Cookie: visitor=abc123; Path=/\r\n"
                "Content-Length: 0\r\nConnection: close\r\n\r\n");
        else
            exchange.Send(Reply("200 OK", "{}"));
    });
    const Result<HttpResponse> answer = this->http().Get(this->Request(server.Base() + "/old/catalog.json"));
    ASSERT_TRUE(answer.ok()) << answer.error();
    EXPECT_EQ(answer->status, 200);  // the redirect was followed
    EXPECT_EQ(Text(answer->body), "{}");

    const std::vector<std::string> heads = server.Requests();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[1].substr(0, heads[1].find("\r\n")), "GET /new/catalog.json?serial=7 HTTP/1.1");
    const std::vector<std::string> expected = {"User-Agent: Pankor/1.0", "Cache-Control: no-cache", "Pragma: no-cache"};
    for (const std::string& head : heads) {
        EXPECT_EQ(this->Named(head, {"user-agent", "cache-control", "pragma"}), expected) << head;
        // The cookie set by the redirect must not come back, nor anything else about the user.
        EXPECT_TRUE(this->Named(head, {"cookie", "authorization", "proxy-authorization", "referer"}).empty()) << head;
    }
}

TYPED_TEST_P(HttpContract, BodiesOverTheLimitAreAbandoned) {
    constexpr std::size_t kLimit = 256 * 1024;
    constexpr std::size_t kFlood = 64u << 20;
    std::atomic<std::size_t> floodSent{0};
    std::atomic<bool> announcedLeft{false};
    const std::string exact = Pattern(kLimit);
    TestHttpServer server([&](HttpExchange& exchange) {
        const std::string path = exchange.Path();
        if (path == "/exact") {
            exchange.Send(Reply("200 OK", exact));
        } else if (path == "/exact-unannounced") {
            exchange.Send(Reply("200 OK", exact, false));
        } else if (path == "/announced") {
            // Says how much would come, sends a little, then nothing: a client
            // that read on would wait for its time-out.
            exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: 10000000\r\nConnection: close\r\n\r\nstart");
            announcedLeft = exchange.WaitUntilClosed(20000);
        } else {
            const std::string chunk = Pattern(64 * 1024);
            exchange.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            while (floodSent < kFlood && exchange.Send(chunk)) floodSent += chunk.size();
        }
    });
    auto get = [&](const std::string& path) {
        HttpRequest r = this->Request(server.Base() + path);
        r.maxBodyBytes = kLimit;
        r.receiveTimeoutMs = 5000;
        return this->http().Get(r);
    };

    for (const char* path : {"/exact", "/exact-unannounced"}) {
        const Result<HttpResponse> atLimit = get(path);
        ASSERT_TRUE(atLimit.ok()) << path << ": " << atLimit.error();
        EXPECT_FALSE(atLimit->tooLarge) << path;
        EXPECT_TRUE(Text(atLimit->body) == exact) << path;
    }
    int answered = 2;
    for (const char* path : {"/announced", "/flood"}) {
        const Result<HttpResponse> over = get(path);
        ASSERT_TRUE(over.ok()) << path << ": " << over.error();
        EXPECT_TRUE(over->tooLarge) << path;
        EXPECT_EQ(over->status, 200) << path;
        EXPECT_TRUE(over->body.empty()) << path;
        ASSERT_TRUE(server.WaitForAnswered(++answered, 30000)) << path;
    }
    EXPECT_TRUE(announcedLeft) << "the client kept the connection open";
    EXPECT_LT(floodSent.load(), kFlood) << "the client read the whole body before giving up";
}

TYPED_TEST_P(HttpContract, ASilentServerFailsAtTheReceiveLimit) {
    TestHttpServer silent([](HttpExchange& exchange) { exchange.WaitUntilClosed(30000); });
    HttpRequest request = this->Request(silent.Base() + "/catalog.json");
    request.receiveTimeoutMs = 1500;
    const auto start = std::chrono::steady_clock::now();
    const Result<HttpResponse> answer = this->http().Get(request);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(Described(answer));
    EXPECT_GE(waited, std::chrono::milliseconds(1200)) << "gave up before the receive limit";
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the receive limit was not applied";
    EXPECT_EQ(silent.Requests().size(), 1u);
}

TYPED_TEST_P(HttpContract, ServersThatCannotBeReachedAreDescribedFailures) {
    const struct {
        std::string url;
        const char* says;  // what the description names, lower case
    } cases[] = {
        {"http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/catalog.json", "connect"},
        {"http://nonexistent.invalid/catalog.json", "resolve"},
        {"ftp://127.0.0.1/catalog.json", ""},
        {"not an address", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const Result<HttpResponse> answer = this->http().Get(this->Request(c.url));
        EXPECT_TRUE(Described(answer)) << c.url;
        EXPECT_NE(this->Lower(answer.error()).find(c.says), std::string::npos) << c.url << ": " << answer.error();
    }
}

REGISTER_TYPED_TEST_SUITE_P(HttpContract, AnswersCarryTheirStatusAndExactBody,
                            SendsTheGivenHeadersInOrderAndNothingPersonal, BodiesOverTheLimitAreAbandoned,
                            ASilentServerFailsAtTheReceiveLimit, ServersThatCannotBeReachedAreDescribedFailures);

}  // namespace pankor::contract

// The WinHTTP client against a server inside this test process.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "TestHttpServer.h"
#include "TestSupport.h"
#include "platform/win32/Win32Http.h"

namespace pankor {
namespace {

using test::HttpExchange;
using test::TestHttpServer;

// The request the catalog fetch makes, to the given address.
HttpRequest CatalogRequest(const std::string& url) {
    HttpRequest request;
    request.url = url;
    request.headers = {{"User-Agent", "Pankor/1.0"}, {"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
    return request;
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Bytes of every value, NUL included, in an order a lost or repeated chunk would break.
std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 12345;
    for (char& c : data) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return data;
}

std::string Reply(const std::string& statusLine, const std::string& body, bool withLength = true) {
    std::string head = "HTTP/1.1 " + statusLine + "\r\nConnection: close\r\n";
    if (withLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

// The header lines a privacy check cares about, names lower-cased.
std::vector<std::string> Named(const std::string& head, std::initializer_list<const char*> names) {
    std::vector<std::string> found;
    for (const std::string& line : test::HeaderLines(head)) {
        const std::string name = Lower(line.substr(0, line.find(':')));
        for (const char* wanted : names)
            if (name == wanted) found.push_back(line);
    }
    return found;
}

TEST(Win32HttpTest, AnswersCarryStatusAndExactBody) {
    const std::string big = Pattern(200000);  // several reads of the client's buffer
    TestHttpServer server([&](HttpExchange& exchange) {
        const std::string path = exchange.Path();
        if (path == "/catalog.json")
            exchange.Send(Reply("200 OK", big));
        else if (path == "/empty")
            exchange.Send(Reply("200 OK", ""));
        else if (path == "/stream")
            exchange.Send(Reply("200 OK", "streamed to the end", false));
        else
            exchange.Send(Reply("404 Not Found", "no such file"));
    });
    Win32Http http;

    const Result<HttpResponse> ok = http.Get(CatalogRequest(server.Base() + "/catalog.json"));
    ASSERT_TRUE(ok.ok()) << ok.error();
    EXPECT_EQ(ok->status, 200);
    EXPECT_FALSE(ok->tooLarge);
    EXPECT_EQ(ok->body.size(), big.size());
    EXPECT_TRUE(Text(ok->body) == big) << "the body differs from what was sent";

    const Result<HttpResponse> missing = http.Get(CatalogRequest(server.Base() + "/catalog.json.sig"));
    ASSERT_TRUE(missing.ok()) << missing.error();
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(Text(missing->body), "no such file");

    const Result<HttpResponse> empty = http.Get(CatalogRequest(server.Base() + "/empty"));
    ASSERT_TRUE(empty.ok()) << empty.error();
    EXPECT_EQ(empty->status, 200);
    EXPECT_TRUE(empty->body.empty());

    // No length given: the body ends where the server closes the connection.
    const Result<HttpResponse> streamed = http.Get(CatalogRequest(server.Base() + "/stream"));
    ASSERT_TRUE(streamed.ok()) << streamed.error();
    EXPECT_EQ(Text(streamed->body), "streamed to the end");

    const std::vector<std::string> heads = server.Requests();
    ASSERT_EQ(heads.size(), 4u);
    EXPECT_EQ(heads[1].substr(0, heads[1].find("\r\n")), "GET /catalog.json.sig HTTP/1.1");
}

TEST(Win32HttpTest, SendsTheGivenHeadersInOrderAndNothingPersonal) {
    TestHttpServer server([](HttpExchange& exchange) {
        if (exchange.Path() == "/old/catalog.json")
            exchange.Send(
                "HTTP/1.1 302 Found\r\nLocation: /new/catalog.json?serial=7\r\nSet-Cookie: visitor=abc123; Path=/\r\n"
                "Content-Length: 0\r\nConnection: close\r\n\r\n");
        else
            exchange.Send(Reply("200 OK", "{}"));
    });
    const Result<HttpResponse> response = Win32Http().Get(CatalogRequest(server.Base() + "/old/catalog.json"));
    ASSERT_TRUE(response.ok()) << response.error();
    EXPECT_EQ(response->status, 200);  // the redirect was followed
    EXPECT_EQ(Text(response->body), "{}");

    const std::vector<std::string> heads = server.Requests();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[1].substr(0, heads[1].find("\r\n")), "GET /new/catalog.json?serial=7 HTTP/1.1");
    for (const std::string& head : heads) {
        const std::vector<std::string> expected = {"User-Agent: Pankor/1.0", "Cache-Control: no-cache",
                                                   "Pragma: no-cache"};
        EXPECT_EQ(Named(head, {"user-agent", "cache-control", "pragma"}), expected) << head;
        // The cookie set by the redirect must not come back.
        EXPECT_TRUE(Named(head, {"cookie", "authorization", "proxy-authorization"}).empty()) << head;
    }
}

TEST(Win32HttpTest, BodiesOverTheLimitAreAbandoned) {
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
    Win32Http http;
    auto request = [&](const std::string& path) {
        HttpRequest r = CatalogRequest(server.Base() + path);
        r.maxBodyBytes = kLimit;
        r.receiveTimeoutMs = 5000;
        return r;
    };

    for (const char* path : {"/exact", "/exact-unannounced"}) {
        const Result<HttpResponse> atLimit = http.Get(request(path));
        ASSERT_TRUE(atLimit.ok()) << path << ": " << atLimit.error();
        EXPECT_FALSE(atLimit->tooLarge) << path;
        EXPECT_TRUE(Text(atLimit->body) == exact) << path;
    }

    const Result<HttpResponse> announced = http.Get(request("/announced"));
    ASSERT_TRUE(announced.ok()) << announced.error();
    EXPECT_TRUE(announced->tooLarge);
    EXPECT_EQ(announced->status, 200);
    EXPECT_TRUE(announced->body.empty());
    ASSERT_TRUE(server.WaitForAnswered(3, 30000));
    EXPECT_TRUE(announcedLeft) << "the client kept the connection open";

    const Result<HttpResponse> flood = http.Get(request("/flood"));
    ASSERT_TRUE(flood.ok()) << flood.error();
    EXPECT_TRUE(flood->tooLarge);
    EXPECT_EQ(flood->status, 200);
    EXPECT_TRUE(flood->body.empty());
    ASSERT_TRUE(server.WaitForAnswered(4, 30000));
    EXPECT_LT(floodSent.load(), kFlood) << "the client read the whole body before giving up";
}

TEST(Win32HttpTest, TransportFailuresAreDescribed) {
    Win32Http http;

    // Accepted, then silence: the receive time-out ends the wait.
    TestHttpServer silent([](HttpExchange& exchange) { exchange.WaitUntilClosed(30000); });
    HttpRequest request = CatalogRequest(silent.Base() + "/catalog.json");
    request.receiveTimeoutMs = 1500;
    const auto start = std::chrono::steady_clock::now();
    const Result<HttpResponse> timedOut = http.Get(request);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(timedOut.ok());
    EXPECT_NE(timedOut.code(), 0u);
    EXPECT_NE(Lower(timedOut.error()).find("timed out"), std::string::npos) << timedOut.error();
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the receive time-out was not applied";
    EXPECT_EQ(silent.Requests().size(), 1u);

    const Result<HttpResponse> refused =
        http.Get(CatalogRequest("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/catalog.json"));
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(Lower(refused.error()).find("connection"), std::string::npos) << refused.error();

    const Result<HttpResponse> unknown = http.Get(CatalogRequest("http://nonexistent.invalid/catalog.json"));
    EXPECT_FALSE(unknown.ok());
    EXPECT_NE(Lower(unknown.error()).find("resolve"), std::string::npos) << unknown.error();

    for (const char* url : {"ftp://127.0.0.1/catalog.json", "not an address", ""}) {
        const Result<HttpResponse> bad = http.Get(CatalogRequest(url));
        EXPECT_FALSE(bad.ok()) << url;
        EXPECT_FALSE(bad.error().empty()) << url;
        EXPECT_NE(bad.code(), 0u) << url;  // the WinHTTP error number, for the log
    }
}

}  // namespace
}  // namespace pankor

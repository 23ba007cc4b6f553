#pragma once
// Requests as transfers the GUI thread polls: waits that never outlast what
// was asked, progress, abandoning, other methods with a body, and the
// answer's headers, as the pumped installer download and the reports use
// them. Host: http.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "ContractSupport.h"
#include "TestHttpServer.h"
#include "base/Text.h"
#include "platform/IHttp.h"

namespace pankor::contract {

template <typename Host>
class HttpTransferContract : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;
    IHttp& http() { return host.http; }
    static HttpRequest Request(const std::string& url) {
        HttpRequest request;
        request.url = url;
        request.headers = {{"User-Agent", "Pankor/1.0"}};
        return request;
    }
    static std::int64_t MsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    // Polls as the GUI thread does until the transfer ends or the time is up.
    static bool Finish(IHttpTransfer& t, int seconds = 20) {
        const Clock::time_point start = Clock::now();
        while (!t.Wait(100))
            if (MsSince(start) > seconds * 1000) return false;
        return true;
    }
    Host host;
};
TYPED_TEST_SUITE_P(HttpTransferContract);

TYPED_TEST_P(HttpTransferContract, WaitsNeverOutlastWhatWasAskedAndProgressShows) {
    const std::string body = Pattern(100000);
    std::atomic<bool> release{false};
    test::TestHttpServer server([&](test::HttpExchange& exchange) {
        exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n");
        exchange.Send(std::string_view(body).substr(0, 40000));
        for (int i = 0; i < 400 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        exchange.Send(std::string_view(body).substr(40000));
    });
    const std::unique_ptr<IHttpTransfer> t = this->http().Begin(this->Request(server.Base() + "/setup.exe"));
    ASSERT_TRUE(t);
    // The first part arrives and shows, while the rest keeps the transfer open.
    const auto start = TestFixture::Clock::now();
    HttpProgress p;
    while ((p = t->Progress()).received < 40000 && this->MsSince(start) < 10000) {
        const auto before = TestFixture::Clock::now();
        EXPECT_FALSE(t->Wait(50));
        EXPECT_LT(this->MsSince(before), 50 + 250) << "a wait outlasted what was asked";
    }
    EXPECT_EQ(p.received, 40000u);
    EXPECT_EQ(p.total, 100000u);
    const auto before = TestFixture::Clock::now();
    EXPECT_FALSE(t->Wait(200));
    EXPECT_GE(this->MsSince(before), 150);
    release = true;
    ASSERT_TRUE(this->Finish(*t));
    EXPECT_TRUE(t->Wait(0));  // finished stays finished
    EXPECT_EQ(t->Progress().received, 100000u);
    Result<HttpResponse> answer = t->Take();
    ASSERT_TRUE(answer.ok()) << answer.error();
    EXPECT_EQ(answer->status, 200);
    EXPECT_TRUE(Text(answer->body) == body);
}

TYPED_TEST_P(HttpTransferContract, AnAbandonedTransferLetsGoAtOnce) {
    test::TestHttpServer server([](test::HttpExchange& exchange) { exchange.WaitUntilClosed(30000); });
    auto t = this->http().Begin(this->Request(server.Base() + "/silent"));
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->Wait(300));
    EXPECT_EQ(t->Progress().received, 0u);
    const auto before = TestFixture::Clock::now();
    t.reset();
    EXPECT_LT(this->MsSince(before), 500) << "dropping a transfer waited for it";
}

TYPED_TEST_P(HttpTransferContract, APostCarriesItsBodyAndTypeAndTheAnswerItsHeaders) {
    const std::string report = "{\"kind\":\"issue\",\"text\":\"caf\xC3\xA9 \\\"quoted\\\"\"}";
    std::string received;
    test::TestHttpServer server([&](test::HttpExchange& exchange) {
        received = exchange.ReadBody(report.size(), 5000);
        exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nX-Pankor-Test: yes\r\nConnection: close\r\n\r\nok\n");
    });
    HttpRequest request = this->Request(server.Base() + "/issue.php");
    request.method = "POST";
    request.body = report;
    request.headers.emplace_back("Content-Type", "application/json");
    const Result<HttpResponse> answer = this->http().Send(request);
    ASSERT_TRUE(answer.ok()) << answer.error();
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(Text(answer->body), "ok\n");
    const std::string head = server.Requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "POST /issue.php HTTP/1.1");
    EXPECT_EQ(received, report);
    std::vector<std::string> sent = test::HeaderLines(head, {"content-type", "content-length"});
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string>{"Content-Length: " + std::to_string(report.size()),
                                              "Content-Type: application/json"}));
    bool marked = false;
    for (const auto& [name, value] : answer->headers) marked = marked || (EqualsNoCase(name, "X-Pankor-Test") && value == "yes");
    EXPECT_TRUE(marked) << "the answer's own header is missing";
}

TYPED_TEST_P(HttpTransferContract, AnAddressThatCannotBeUsedFinishesAsADescribedFailure) {
    for (const char* url : {"ftp://127.0.0.1/setup.exe", "not an address"}) {
        auto t = this->http().Begin(this->Request(url));
        ASSERT_TRUE(t);
        ASSERT_TRUE(this->Finish(*t)) << url;
        EXPECT_TRUE(Described(t->Take())) << url;
    }
}

REGISTER_TYPED_TEST_SUITE_P(HttpTransferContract, WaitsNeverOutlastWhatWasAskedAndProgressShows,
                            AnAbandonedTransferLetsGoAtOnce, APostCarriesItsBodyAndTypeAndTheAnswerItsHeaders,
                            AnAddressThatCannotBeUsedFinishesAsADescribedFailure);

}  // namespace pankor::contract

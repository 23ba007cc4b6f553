#pragma once
// A small HTTP server on 127.0.0.1 inside the test process, for the HTTP
// client suites: it records every request head and lets each test answer as
// it likes, from a proper reply to silence.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pankor::test {

#ifdef _WIN32
using SocketHandle = std::uintptr_t;  // SOCKET
#else
using SocketHandle = int;
#endif

// One accepted connection whose request head has arrived.
class HttpExchange {
public:
    HttpExchange(SocketHandle socket, std::string head, const std::atomic<bool>& stopping)
        : socket_(socket), head_(std::move(head)), stopping_(stopping) {}
    const std::string& Head() const { return head_; }
    // The request target of the first line ("/catalog.json").
    std::string Path() const;
    // False once the client has gone away.
    bool Send(std::string_view data);
    // Reads and drops whatever comes until the client closes the connection:
    // true when it did within the time, false on time-out or shut-down.
    bool WaitUntilClosed(int milliseconds);
    // The request's body of this many bytes (what came with the head, then
    // what follows), or less when it does not arrive within the time.
    std::string ReadBody(std::size_t length, int milliseconds);

private:
    SocketHandle socket_;
    std::string head_;
    const std::atomic<bool>& stopping_;
};

class TestHttpServer {
public:
    using Handler = std::function<void(HttpExchange&)>;
    // Listens on a free port; connections are served one after the other.
    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string Base() const;
    // The heads of the requests received so far, in order.
    std::vector<std::string> Requests() const;
    // Waits until this many connections have been answered and closed.
    bool WaitForAnswered(int count, int milliseconds) const;

private:
    void Serve();

    Handler handler_;
    SocketHandle listener_{};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> requests_;
    int answered_ = 0;
    std::thread thread_;
};

// Canned answers: a complete reply with a length, or one that ends where the
// connection closes.
std::string Reply(const std::string& statusLine, const std::string& body, bool withLength = true);

// A loopback port on which nothing listens.
int ClosedPort();

// The header lines of a request head, without the request line.
std::vector<std::string> HeaderLines(const std::string& head);

}  // namespace pankor::test

#pragma once
// A small HTTP server on 127.0.0.1 inside the test process: it records every
// request head and lets each test answer as it likes, from a proper reply to
// silence. Connections are served one after the other.
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pankor::test {

// One accepted connection whose request head has arrived.
struct HttpExchange {
    std::intptr_t socket;  // a descriptor, or a Winsock SOCKET
    std::string head;
    const std::atomic<bool>& stopping;
    std::string Path() const;          // the request target ("/catalog.json")
    bool Send(std::string_view data);  // false once the client has gone away
    // Drops what comes until the client closes the connection; false on time-out.
    bool WaitUntilClosed(int milliseconds);
    // The request's body of this many bytes, or less when it does not arrive in time.
    std::string ReadBody(std::size_t length, int milliseconds);
};

class TestHttpServer {
public:
    explicit TestHttpServer(std::function<void(HttpExchange&)> handler);
    ~TestHttpServer();
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests() const;  // the request heads so far, in order

private:
    std::function<void(HttpExchange&)> handler_;
    std::intptr_t listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A whole reply with its length, or one that ends where the connection closes.
std::string Reply(const std::string& statusLine, const std::string& body, bool withLength = true);
int ClosedPort();  // a loopback port on which nothing listens
// The header lines of a request head with one of these (lower-case) names, in order.
std::vector<std::string> HeaderLines(const std::string& head, std::initializer_list<const char*> names);

}  // namespace pankor::test

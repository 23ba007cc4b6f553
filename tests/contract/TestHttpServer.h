#pragma once
// A small HTTP server on 127.0.0.1 inside the test process: it records every request (its head and
// the body it announces) and lets each test answer as it likes, from a proper reply to silence.
// Connections are served one after the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/Text.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace pankor::test {

#ifdef _WIN32
using Socket = SOCKET;
using AddressLength = int;
constexpr int kNoSignal = 0, kShutSend = SD_SEND;
inline void CloseSocket(Socket s) { closesocket(s); }
#else
using Socket = int;
using AddressLength = socklen_t;
constexpr int kNoSignal = MSG_NOSIGNAL, kShutSend = SHUT_WR;  // a client gone away: a false return, not SIGPIPE
inline void CloseSocket(Socket s) { close(s); }
#endif
constexpr Socket kNoSocket = static_cast<Socket>(-1);

inline Socket LoopbackListener(int& port) {
#ifdef _WIN32
    static WSADATA data{};
    static const int started = WSAStartup(MAKEWORD(2, 2), &data);  // kept until the test process ends
    EXPECT_EQ(started, 0);
#endif
    const Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    AddressLength length = sizeof address;
    const bool listening = s != kNoSocket && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                           listen(s, 8) == 0 && getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    EXPECT_TRUE(listening) << "cannot listen on the loopback address";
    port = ntohs(address.sin_port);
    return s;
}

inline int ClosedPort() {  // a loopback port on which nothing listens
    int port = 0;
    CloseSocket(LoopbackListener(port));
    return port;
}

inline bool Readable(Socket s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) == 1;
}

// Appends what arrives to `into` until done(into) or the peer closes; false
// when the time is up first.
template <typename Done>
bool ReadUntil(Socket s, std::string& into, Done done, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (char buffer[4096]; !done(into);) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (!Readable(s, 50)) continue;
        const auto n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) return true;
        into.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// A request head and as much of a body as it announces.
inline bool WholeRequest(const std::string& s) {
    const std::size_t end = s.find("\r\n\r\n");
    const std::size_t length = LowerAscii(s.substr(0, end)).find("\r\ncontent-length:");
    return end != std::string::npos &&
           (length == std::string::npos || s.size() >= end + 4 + std::stoul(s.substr(length + 17)));
}

// One accepted connection whose request has arrived.
struct HttpExchange {
    Socket socket;
    std::string request;

    std::string Path() const {  // the request target ("/catalog.json")
        const std::size_t start = request.find(' ') + 1;
        return start == 0 ? std::string() : request.substr(start, request.find(' ', start) - start);
    }
    bool Send(std::string_view data) {  // false once the client has gone away
        while (!data.empty()) {
            const auto n =
                send(socket, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 16)), kNoSignal);
            if (n <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    // Drops what comes until the client closes the connection; false on time-out.
    bool WaitUntilClosed(int milliseconds) {
        std::string dropped;  // kept: a few MiB at most
        return ReadUntil(
            socket, dropped, [](const std::string&) { return false; }, milliseconds);
    }
};

class TestHttpServer {
public:
    explicit TestHttpServer(std::function<void(HttpExchange&)> handler)
        : thread_([this, handler = std::move(handler)] {
              while (!stopping_) {
                  if (!Readable(listener_, 50)) continue;
                  HttpExchange exchange{accept(listener_, nullptr, nullptr), {}};
                  if (exchange.socket == kNoSocket) continue;
                  ReadUntil(exchange.socket, exchange.request, WholeRequest, 10000);
                  {
                      const std::lock_guard<std::mutex> lock(mutex_);
                      requests_.push_back(exchange.request);
                  }
                  handler(exchange);
                  shutdown(exchange.socket, kShutSend);
                  CloseSocket(exchange.socket);
              }
          }) {}
    ~TestHttpServer() {
        stopping_ = true;
        thread_.join();
        CloseSocket(listener_);
    }

    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests() const {  // so far, in order
        const std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    std::atomic<bool> stopping_{false};
    int port_ = 0;
    const Socket listener_ = LoopbackListener(port_);
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A whole reply with its length, or one that ends where the connection closes.
inline std::string Reply(const std::string& statusLine, const std::string& body, bool withLength = true) {
    return "HTTP/1.1 " + statusLine + "\r\nConnection: close\r\n" +
           (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" : "\r\n") + body;
}

// The header lines of a request with one of these (lower-case) names, in order.
inline std::vector<std::string> HeaderLines(const std::string& request, std::initializer_list<std::string> names) {
    std::vector<std::string> lines;
    const std::string head = request.substr(0, request.find("\r\n\r\n") + 2);
    for (std::size_t at = head.find("\r\n") + 2, next; (next = head.find("\r\n", at)) != std::string::npos;
         at = next + 2) {
        const std::string line = head.substr(at, next - at);
        if (std::find(names.begin(), names.end(), LowerAscii(line.substr(0, line.find(':')))) != names.end())
            lines.push_back(line);
    }
    return lines;
}

}  // namespace pankor::test

#include "TestHttpServer.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "base/Text.h"

// The socket layer is where the two systems differ.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
namespace {
using AddressLength = int;
constexpr int kNoSignal = 0;
constexpr int kShutSend = SD_SEND;
SOCKET N(std::intptr_t s) { return static_cast<SOCKET>(s); }
void CloseSocket(std::intptr_t s) { closesocket(N(s)); }
void StartSockets() {
    static WSADATA data{};
    static const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;  // kept until the test process ends
    if (!started) throw std::runtime_error("WSAStartup failed");
}
}  // namespace
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
namespace {
using AddressLength = socklen_t;
constexpr int kNoSignal = MSG_NOSIGNAL;  // a client that went away is a false return, not SIGPIPE
constexpr int kShutSend = SHUT_WR;
int N(std::intptr_t s) { return static_cast<int>(s); }
void CloseSocket(std::intptr_t s) { close(N(s)); }
void StartSockets() {}
}  // namespace
#endif

namespace pankor::test {

namespace {

std::intptr_t LoopbackListener(int& port) {
    StartSockets();
    const auto s = static_cast<std::intptr_t>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    AddressLength length = sizeof(address);
    if (s == -1 || bind(N(s), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(N(s), 8) != 0 ||
        getsockname(N(s), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on the loopback address");
    port = ntohs(address.sin_port);
    return s;
}

bool Readable(std::intptr_t s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(N(s), &set);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(static_cast<int>(N(s)) + 1, &set, nullptr, nullptr, &wait) == 1;
}

enum class Read { Done, Closed, TimedOut };

// Appends what arrives to `into` until done(into), the peer closes, the time is up or the server stops.
template <typename Done>
Read ReadUntil(std::intptr_t s, std::string& into, Done done, int milliseconds, const std::atomic<bool>& stopping) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    char buffer[4096];
    while (!done(into)) {
        if (std::chrono::steady_clock::now() > deadline || stopping) return Read::TimedOut;
        if (!Readable(s, 50)) continue;
        const auto n = recv(N(s), buffer, sizeof(buffer), 0);
        if (n <= 0) return Read::Closed;
        into.append(buffer, static_cast<std::size_t>(n));
    }
    return Read::Done;
}

}  // namespace

std::string HttpExchange::Path() const {
    const std::size_t start = head.find(' ') + 1, end = head.find(' ', start);
    return start == 0 ? std::string() : head.substr(start, end - start);
}

bool HttpExchange::Send(std::string_view data) {
    while (!data.empty()) {
        const auto n =
            send(N(socket), data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 16)), kNoSignal);
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool HttpExchange::WaitUntilClosed(int milliseconds) {
    std::string dropped;  // kept: a few MiB at most
    return ReadUntil(
               socket, dropped, [](const std::string&) { return false; }, milliseconds, stopping) == Read::Closed;
}

std::string HttpExchange::ReadBody(std::size_t length, int milliseconds) {
    const std::size_t end = head.find("\r\n\r\n");
    std::string body = end == std::string::npos ? std::string() : head.substr(end + 4);
    ReadUntil(
        socket, body, [&](const std::string& s) { return s.size() >= length; }, milliseconds, stopping);
    return body.substr(0, length);
}

TestHttpServer::TestHttpServer(std::function<void(HttpExchange&)> handler) : handler_(std::move(handler)) {
    listener_ = LoopbackListener(port_);
    thread_ = std::thread([this] {
        while (!stopping_) {
            if (!Readable(listener_, 50)) continue;
            const auto client = static_cast<std::intptr_t>(accept(N(listener_), nullptr, nullptr));
            if (client == -1) continue;
            HttpExchange exchange{client, {}, stopping_};
            ReadUntil(
                client, exchange.head, [](const std::string& s) { return s.find("\r\n\r\n") != s.npos; }, 10000,
                stopping_);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(exchange.head);
            }
            handler_(exchange);
            shutdown(N(client), kShutSend);
            CloseSocket(client);
        }
    });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    thread_.join();
    CloseSocket(listener_);
}

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string Reply(const std::string& statusLine, const std::string& body, bool withLength) {
    return "HTTP/1.1 " + statusLine + "\r\nConnection: close\r\n" +
           (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" : "\r\n") + body;
}

int ClosedPort() {
    int port = 0;
    CloseSocket(LoopbackListener(port));
    return port;
}

std::vector<std::string> HeaderLines(const std::string& head, std::initializer_list<const char*> names) {
    std::vector<std::string> lines;
    for (std::size_t at = head.find("\r\n"), next;
         at != std::string::npos && (next = head.find("\r\n", at + 2)) != std::string::npos && next > at + 2;
         at = next) {
        const std::string line = head.substr(at + 2, next - at - 2);
        if (std::find(names.begin(), names.end(), LowerAscii(line.substr(0, line.find(':')))) != names.end())
            lines.push_back(line);
    }
    return lines;
}

}  // namespace pankor::test

#include "TestHttpServer.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

// The socket layer is where the two systems differ.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
namespace {
using AddressLength = int;
constexpr int kNoSignal = 0;
constexpr int kShutSend = SD_SEND;
SOCKET N(pankor::test::SocketHandle s) { return static_cast<SOCKET>(s); }
void CloseSocket(pankor::test::SocketHandle s) { closesocket(N(s)); }
void StartSockets() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;  // kept until the test process ends
    }();
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
int N(pankor::test::SocketHandle s) { return static_cast<int>(s); }
void CloseSocket(pankor::test::SocketHandle s) { close(N(s)); }
void StartSockets() {}
}  // namespace
#endif

namespace pankor::test {

namespace {

SocketHandle LoopbackListener(int& port) {
    StartSockets();
    const auto s = static_cast<SocketHandle>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
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

bool Readable(SocketHandle s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(N(s), &set);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(static_cast<int>(N(s)) + 1, &set, nullptr, nullptr, &wait) == 1;
}

}  // namespace

std::string HttpExchange::Path() const {
    const std::size_t start = head_.find(' ') + 1, end = head_.find(' ', start);
    return start == 0 ? std::string() : head_.substr(start, end - start);
}

bool HttpExchange::Send(std::string_view data) {
    while (!data.empty()) {
        const auto n =
            send(N(socket_), data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 16)), kNoSignal);
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool HttpExchange::WaitUntilClosed(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline && !stopping_)
        if (Readable(socket_, 50) && recv(N(socket_), buffer, sizeof(buffer), 0) <= 0) return true;
    return false;
}

std::string HttpExchange::ReadBody(std::size_t length, int milliseconds) {
    const std::size_t end = head_.find("\r\n\r\n");
    std::string body = end == std::string::npos ? std::string() : head_.substr(end + 4);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    char buffer[4096];
    while (body.size() < length && std::chrono::steady_clock::now() < deadline && !stopping_) {
        if (!Readable(socket_, 50)) continue;
        const auto n = recv(N(socket_), buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        body.append(buffer, static_cast<std::size_t>(n));
    }
    return body.substr(0, length);
}

TestHttpServer::TestHttpServer(std::function<void(HttpExchange&)> handler) : handler_(std::move(handler)) {
    listener_ = LoopbackListener(port_);
    thread_ = std::thread([this] { Serve(); });
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

void TestHttpServer::Serve() {
    while (!stopping_) {
        if (!Readable(listener_, 50)) continue;
        const auto client = static_cast<SocketHandle>(accept(N(listener_), nullptr, nullptr));
        if (client == -1) continue;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && !stopping_) {
            if (!Readable(client, 50)) continue;
            const auto n = recv(N(client), buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        HttpExchange exchange(client, head, stopping_);
        handler_(exchange);
        shutdown(N(client), kShutSend);
        CloseSocket(client);
    }
}

std::string Reply(const std::string& statusLine, const std::string& body, bool withLength) {
    const std::string length = withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "";
    return "HTTP/1.1 " + statusLine + "\r\nConnection: close\r\n" + length + "\r\n" + body;
}

int ClosedPort() {
    int port = 0;
    CloseSocket(LoopbackListener(port));
    return port;
}

std::string Lower(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

std::vector<std::string> HeaderLines(const std::string& head, std::initializer_list<const char*> names) {
    std::vector<std::string> lines;
    for (std::size_t at = head.find("\r\n"), next;
         at != std::string::npos && (next = head.find("\r\n", at + 2)) != std::string::npos && next > at + 2;
         at = next) {
        const std::string line = head.substr(at + 2, next - at - 2);
        const std::string name = Lower(line.substr(0, line.find(':')));
        if (std::find(names.begin(), names.end(), name) != names.end()) lines.push_back(line);
    }
    return lines;
}

}  // namespace pankor::test

#include "TestHttpServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace pankor::test {

namespace {

// The socket layer: the only place where the two systems differ.
#ifdef _WIN32
using Native = SOCKET;
constexpr int kSendFlags = 0;
constexpr int kShutSend = SD_SEND;
void CloseSocket(SocketHandle s) { closesocket(static_cast<Native>(s)); }
bool Invalid(SocketHandle s) { return static_cast<Native>(s) == INVALID_SOCKET; }
using AddressLength = int;

// Winsock for as long as the test process runs.
void StartSockets() {
    struct User {
        User() {
            WSADATA data{};
            if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
        }
        ~User() { WSACleanup(); }
    };
    static User user;
}
#else
using Native = int;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a client that went away is a false return, not SIGPIPE
constexpr int kShutSend = SHUT_WR;
void CloseSocket(SocketHandle s) { close(s); }
bool Invalid(SocketHandle s) { return s < 0; }
using AddressLength = socklen_t;
void StartSockets() {}
#endif

Native N(SocketHandle s) { return static_cast<Native>(s); }

SocketHandle LoopbackListener(int& port) {
    StartSockets();
    const SocketHandle s = static_cast<SocketHandle>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (Invalid(s)) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    AddressLength length = sizeof(address);
    if (bind(N(s), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(N(s), 8) != 0 ||
        getsockname(N(s), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(s);
        throw std::runtime_error("cannot listen on the loopback address");
    }
    port = ntohs(address.sin_port);
    return s;
}

// Waits up to the given time for the socket to become readable.
bool Readable(SocketHandle s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(N(s), &set);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(static_cast<int>(N(s)) + 1, &set, nullptr, nullptr, &wait) == 1;
}

}  // namespace

std::string HttpExchange::Path() const {
    const std::size_t start = head_.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = head_.find(' ', start + 1);
    return head_.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

bool HttpExchange::Send(std::string_view data) {
    while (!data.empty()) {
        const auto n =
            send(N(socket_), data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 16)), kSendFlags);
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool HttpExchange::WaitUntilClosed(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline && !stopping_) {
        if (!Readable(socket_, 50)) continue;
        if (recv(N(socket_), buffer, sizeof(buffer), 0) <= 0) return true;
    }
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

TestHttpServer::TestHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = LoopbackListener(port_);
    thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    thread_.join();
    CloseSocket(listener_);
}

std::string TestHttpServer::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool TestHttpServer::WaitForAnswered(int count, int milliseconds) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return answered_ >= count; });
}

void TestHttpServer::Serve() {
    while (!stopping_) {
        if (!Readable(listener_, 50)) continue;
        const SocketHandle client = static_cast<SocketHandle>(accept(N(listener_), nullptr, nullptr));
        if (Invalid(client)) continue;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && !stopping_) {
            if (!Readable(client, 50)) continue;
            const auto n = recv(N(client), buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        try {
            HttpExchange exchange(client, head, stopping_);
            handler_(exchange);
        } catch (...) {}
        shutdown(N(client), kShutSend);
        CloseSocket(client);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++answered_;
        }
        changed_.notify_all();
    }
}

std::string Reply(const std::string& statusLine, const std::string& body, bool withLength) {
    std::string head = "HTTP/1.1 " + statusLine + "\r\nConnection: close\r\n";
    if (withLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

int ClosedPort() {
    int port = 0;
    CloseSocket(LoopbackListener(port));
    return port;
}

std::vector<std::string> HeaderLines(const std::string& head) {
    std::vector<std::string> lines;
    std::size_t at = head.find("\r\n");
    while (at != std::string::npos) {
        const std::size_t next = head.find("\r\n", at + 2);
        if (next == std::string::npos || next == at + 2) break;
        lines.push_back(head.substr(at + 2, next - at - 2));
        at = next;
    }
    return lines;
}

}  // namespace pankor::test

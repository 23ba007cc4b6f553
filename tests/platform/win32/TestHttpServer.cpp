#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace pankor::test {

namespace {

// Winsock for the life of one server.
class WinsockUser {
public:
    WinsockUser() {
        WSADATA data{};
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    }
    ~WinsockUser() { WSACleanup(); }
};

void StartWinsock() { static WinsockUser winsock; }  // kept until the test process ends

SOCKET LoopbackListener(int& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        throw std::runtime_error("cannot listen on the loopback address");
    }
    port = ntohs(address.sin_port);
    return s;
}

// Waits up to the given time for the socket to become readable.
bool Readable(SOCKET s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
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
        const int n = send(socket_, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 16)), 0);
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool HttpExchange::WaitUntilClosed(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline && WaitForSingleObject(stopping_, 0) == WAIT_TIMEOUT) {
        if (!Readable(socket_, 50)) continue;
        if (recv(socket_, buffer, sizeof(buffer), 0) <= 0) return true;
    }
    return false;
}

TestHttpServer::TestHttpServer(Handler handler) : handler_(std::move(handler)) {
    StartWinsock();
    listener_ = LoopbackListener(port_);
    stopping_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stopping_) {
        closesocket(listener_);
        throw std::runtime_error("CreateEvent failed");
    }
    thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
    SetEvent(stopping_);
    thread_.join();
    closesocket(listener_);
    CloseHandle(stopping_);
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
    while (WaitForSingleObject(stopping_, 0) == WAIT_TIMEOUT) {
        if (!Readable(listener_, 50)) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 &&
               WaitForSingleObject(stopping_, 0) == WAIT_TIMEOUT) {
            if (!Readable(client, 50)) continue;
            const int n = recv(client, buffer, sizeof(buffer), 0);
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
        shutdown(client, SD_SEND);
        closesocket(client);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++answered_;
        }
        changed_.notify_all();
    }
}

int ClosedPort() {
    StartWinsock();
    int port = 0;
    closesocket(LoopbackListener(port));
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

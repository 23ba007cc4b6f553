#pragma once
// HTTP requests, answered by status, headers and body. A request runs as a
// transfer the caller polls, so the GUI thread can keep its messages moving
// while it waits; the blocking calls are built on the same transfer.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"

namespace pankor {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    HttpHeaders headers;  // sent in this order, and nothing else but what the method needs
    std::string body;     // sent when not empty (POST); give its Content-Type in headers
    int resolveTimeoutMs = 8000;
    int connectTimeoutMs = 8000;
    int sendTimeoutMs = 8000;
    int receiveTimeoutMs = 15000;  // the longest wait for the next bytes of the answer
    std::size_t maxBodyBytes = 0;  // 0: no limit
};

struct HttpResponse {
    int status = 0;
    bool tooLarge = false;  // the body passed maxBodyBytes and was abandoned (body empty)
    HttpHeaders headers;    // of the final answer, in the order received
    Bytes body;
};

struct HttpProgress {
    std::uint64_t received = 0;  // body bytes so far
    std::uint64_t total = 0;     // the announced length; 0 when the server gave none
};

// One request in flight. Destroying an unfinished transfer abandons it at
// once; whatever the system still has to tear down happens elsewhere.
class IHttpTransfer {
public:
    virtual ~IHttpTransfer() = default;
    // True once the transfer has finished, well or not; waits at most this long.
    virtual bool Wait(int milliseconds) noexcept = 0;
    virtual HttpProgress Progress() const noexcept = 0;
    // The outcome, once Wait answered true. A failure means no answer
    // arrived (name, connection, time-out, TLS); its text is the system's.
    virtual Result<HttpResponse> Take() noexcept = 0;
};

class IHttp {
public:
    virtual ~IHttp() = default;
    // Starts the request. Null only when memory runs out.
    virtual std::unique_ptr<IHttpTransfer> Begin(const HttpRequest& request) noexcept = 0;

    // The whole request, waiting on the calling thread until it has finished.
    Result<HttpResponse> Send(const HttpRequest& request) noexcept {
        const std::unique_ptr<IHttpTransfer> transfer = Begin(request);
        if (!transfer) return Result<HttpResponse>::Fail("out of memory");
        // The transfer's own time-outs end it; this wait only needs to be long.
        while (!transfer->Wait(60000)) {
        }
        return transfer->Take();
    }
    Result<HttpResponse> Get(const HttpRequest& request) noexcept { return Send(request); }
};

// A transfer that has already failed: what Begin answers when it cannot start.
class FailedTransfer final : public IHttpTransfer {
public:
    explicit FailedTransfer(Status failure) noexcept : failure_(std::move(failure)) {}
    // Null only when memory runs out, which Send reports on its own.
    static std::unique_ptr<IHttpTransfer> Make(Status failure) noexcept {
        try {
            return std::make_unique<FailedTransfer>(std::move(failure));
        } catch (...) {
            return nullptr;
        }
    }
    bool Wait(int) noexcept override { return true; }
    HttpProgress Progress() const noexcept override { return {}; }
    Result<HttpResponse> Take() noexcept override { return Result<HttpResponse>::From(failure_); }

private:
    Status failure_;
};

}  // namespace pankor

#include "platform/linux/LinuxHttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>

#include "base/Text.h"
#include "base/UniqueHandle.h"

namespace pankor {

namespace {

struct CurlTraits {
    using Handle = CURL*;
    static CURL* Invalid() noexcept { return nullptr; }
    static void Close(CURL* c) noexcept { curl_easy_cleanup(c); }
};
using CurlHandle = UniqueHandle<CurlTraits>;

struct MultiTraits {
    using Handle = CURLM*;
    static CURLM* Invalid() noexcept { return nullptr; }
    static void Close(CURLM* m) noexcept { curl_multi_cleanup(m); }
};
using MultiHandle = UniqueHandle<MultiTraits>;

struct HeaderListTraits {
    using Handle = curl_slist*;
    static curl_slist* Invalid() noexcept { return nullptr; }
    static void Close(curl_slist* l) noexcept { curl_slist_free_all(l); }
};
using HeaderList = UniqueHandle<HeaderListTraits>;

// Adds one header line; false (the list so far kept) when memory runs out.
bool Append(HeaderList& list, const std::string& line) noexcept {
    curl_slist* head = curl_slist_append(list.Get(), line.c_str());
    if (head == nullptr) return false;
    list.Release();  // the same list, now with one more line
    list.Reset(head);
    return true;
}

bool HasHeader(const HttpRequest& request, std::string_view name) {
    return std::any_of(request.headers.begin(), request.headers.end(),
                       [&](const auto& h) { return EqualsNoCase(h.first, name); });
}

// Without a limit, an announced length is trusted this far for the one
// reservation; beyond it the body grows as it arrives.
constexpr curl_off_t kUnlimitedReserve = 64 << 20;

class CurlTransfer final : public IHttpTransfer {
public:
    explicit CurlTransfer(const HttpRequest& request) : request_(request) {}
    ~CurlTransfer() override {
        if (multi_ && easy_) curl_multi_remove_handle(multi_.Get(), easy_.Get());
    }
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Sets the request up and adds it to its multi handle; false and the
    // reason when that fails (the transfer is then finished).
    Status Start();

    bool Wait(int milliseconds) noexcept override;
    HttpProgress Progress() const noexcept override { return progress_; }
    Result<HttpResponse> Take() noexcept override;

private:
    static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) noexcept;
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) noexcept;
    std::size_t Received(const char* data, std::size_t n) noexcept;
    void Header(std::string_view line);
    void Finish(CURLcode rc) noexcept;

    const HttpRequest request_;  // curl reads the address and body from here
    MultiHandle multi_;
    CurlHandle easy_;
    HeaderList headers_;
    char error_[CURL_ERROR_SIZE] = "";
    HttpResponse response_;
    HttpProgress progress_;
    bool lengthSeen_ = false;
    bool finished_ = false;
    Status failure_;
};

Status CurlTransfer::Start() {
    multi_.Reset(curl_multi_init());
    easy_.Reset(curl_easy_init());
    if (!multi_ || !easy_) return Status::Fail("the HTTP client could not start");
    CURL* curl = easy_.Get();
    for (const auto& [name, value] : request_.headers) {
        std::string line = name;
        line += ": ";
        line += value;
        if (!Append(headers_, line)) return Status::Fail("out of memory");
    }
    // Send only the headers we were given and what the method needs.
    if (!Append(headers_, "Accept:")) return Status::Fail("out of memory");
    if (!request_.body.empty()) {
        if (!Append(headers_, "Expect:")) return Status::Fail("out of memory");
        if (!HasHeader(request_, "Content-Type") && !Append(headers_, "Content-Type:"))
            return Status::Fail("out of memory");
    }
    const bool https = StartsWithNoCase(request_.url, "https://");

    curl_easy_setopt(curl, CURLOPT_URL, request_.url.c_str());
    if (request_.method == "GET" && request_.body.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        if (request_.method != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request_.method.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request_.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_.body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_.Get());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Follow redirects as the Windows client does, never from https down to http.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_);
    // Name lookup and connection share curl's one connect limit.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(request_.resolveTimeoutMs) + request_.connectTimeoutMs);
    // A stall: less than one byte a second over the receive limit. (Requests
    // send a few kilobytes at most; the send limit never comes into play.)
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(std::max(1, (request_.receiveTimeoutMs + 999) / 1000)));
    // An announced length over the limit is refused before a byte is read,
    // as the Windows client does, instead of waiting for a body never read.
    if (request_.maxBodyBytes != 0)
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request_.maxBodyBytes));
    // Large reads: fewer calls per megabyte for installers of hundreds.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    if (curl_multi_add_handle(multi_.Get(), curl) != CURLM_OK) {
        easy_.Reset();  // never added: nothing to remove
        return Status::Fail("the HTTP client could not start");
    }
    return Status::Ok();
}

std::size_t CurlTransfer::OnData(char* data, std::size_t size, std::size_t count, void* user) noexcept {
    return static_cast<CurlTransfer*>(user)->Received(data, size * count);
}

std::size_t CurlTransfer::Received(const char* data, std::size_t n) noexcept {
    const std::size_t limit = request_.maxBodyBytes;
    if (!lengthSeen_) {
        lengthSeen_ = true;
        curl_off_t length = -1;
        curl_easy_getinfo(easy_.Get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length > 0) {
            progress_.total = static_cast<std::uint64_t>(length);
            // An announced length over the limit is refused before a byte is kept.
            if (limit != 0 && static_cast<std::uint64_t>(length) > limit) {
                response_.tooLarge = true;
                return CURL_WRITEFUNC_ERROR;
            }
            // One reservation for the whole body; a wrong length only costs a regrowth.
            if (length <= (limit != 0 ? static_cast<curl_off_t>(limit) : kUnlimitedReserve)) {
                try {
                    response_.body.reserve(static_cast<std::size_t>(length));
                } catch (...) {
                    return CURL_WRITEFUNC_ERROR;
                }
            }
        }
    }
    if (limit != 0 && n > limit - response_.body.size()) {
        response_.tooLarge = true;
        return CURL_WRITEFUNC_ERROR;  // abandons the transfer
    }
    try {
        response_.body.insert(response_.body.end(), data, data + n);
    } catch (...) {
        return CURL_WRITEFUNC_ERROR;
    }
    progress_.received = response_.body.size();
    return n;
}

std::size_t CurlTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* user) noexcept {
    const std::size_t n = size * count;
    try {
        static_cast<CurlTransfer*>(user)->Header(std::string_view(data, n));
    } catch (...) {
        return 0;  // out of memory: abandons the transfer
    }
    return n;
}

void CurlTransfer::Header(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (StartsWithNoCase(line, "HTTP/")) {
        response_.headers.clear();  // a new answer (after a redirect or a 100): only the last one counts
        return;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    response_.headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
}

bool CurlTransfer::Wait(int milliseconds) noexcept {
    if (finished_) return true;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
    for (;;) {
        int running = 0;
        if (const CURLMcode mc = curl_multi_perform(multi_.Get(), &running); mc != CURLM_OK) {
            failure_ = Status::Fail(curl_multi_strerror(mc), mc);
            finished_ = true;
            return true;
        }
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi_.Get(), &left))
            if (message->msg == CURLMSG_DONE) Finish(message->data.result);
        if (finished_) return true;
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (remaining <= 0) return false;
        curl_multi_poll(multi_.Get(), nullptr, 0, static_cast<int>(remaining), nullptr);
    }
}

void CurlTransfer::Finish(CURLcode rc) noexcept {
    finished_ = true;
    long status = 0;
    curl_easy_getinfo(easy_.Get(), CURLINFO_RESPONSE_CODE, &status);
    response_.status = static_cast<int>(status);
    if (response_.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) {
        response_.tooLarge = true;
        Bytes().swap(response_.body);  // give the memory back now
        return;
    }
    if (rc != CURLE_OK) failure_ = Status::Fail(error_[0] != '\0' ? error_ : curl_easy_strerror(rc), rc);
}

Result<HttpResponse> CurlTransfer::Take() noexcept {
    if (!finished_) return Result<HttpResponse>::Fail("the transfer has not finished");
    if (!failure_.ok()) return Result<HttpResponse>::From(failure_);
    return Result<HttpResponse>::Of(std::move(response_));
}

}  // namespace

LinuxHttp::LinuxHttp() noexcept {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

std::unique_ptr<IHttpTransfer> LinuxHttp::Begin(const HttpRequest& request) noexcept {
    try {
        auto transfer = std::make_unique<CurlTransfer>(request);
        if (Status started = transfer->Start(); !started.ok()) return FailedTransfer::Make(std::move(started));
        return transfer;
    } catch (...) {
        return FailedTransfer::Make(Status::Fail("out of memory"));
    }
}

}  // namespace pankor

#include "platform/win32/Win32Http.h"

#include "platform/win32/Win32Windows.h"

#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <optional>
#include <system_error>
#include <thread>

#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"

namespace pankor {

namespace {

using win32::ToWide;

// Closes a WinHTTP handle when the call ends, whichever way it ends.
struct InternetTraits {
    using Handle = HINTERNET;
    static HINTERNET Invalid() noexcept { return nullptr; }
    static void Close(HINTERNET h) noexcept { WinHttpCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetTraits>;

// Our own words for the codes a fetch meets, for systems whose winhttp.dll
// carries no message table (Wine has none).
const char* KnownWinHttpText(DWORD code) noexcept {
    switch (code) {
        case ERROR_WINHTTP_OUT_OF_HANDLES: return "No more handles could be generated at this time";
        case ERROR_WINHTTP_TIMEOUT: return "The operation timed out";
        case ERROR_WINHTTP_INTERNAL_ERROR: return "An internal error occurred in the HTTP services";
        case ERROR_WINHTTP_INVALID_URL: return "The URL is invalid";
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return "The URL does not use a recognized protocol";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "The server name or address could not be resolved";
        case ERROR_WINHTTP_OPERATION_CANCELLED: return "The operation was canceled";
        case ERROR_WINHTTP_CANNOT_CONNECT: return "A connection with the server could not be established";
        case ERROR_WINHTTP_CONNECTION_ERROR: return "The connection with the server was terminated abnormally";
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID: return "The server's certificate has expired or is not yet valid";
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID: return "The server's certificate names a different host";
        case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED: return "The server asks for a client certificate";
        case ERROR_WINHTTP_SECURE_INVALID_CA: return "The server's certificate was issued by an untrusted authority";
        case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
            return "The server's certificate could not be checked for revocation";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "The server returned an invalid or unrecognized response";
        case ERROR_WINHTTP_REDIRECT_FAILED: return "The redirection failed";
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return "An error occurred in the secure channel support";
        case ERROR_WINHTTP_SECURE_INVALID_CERT: return "The server's certificate is invalid";
        case ERROR_WINHTTP_SECURE_CERT_REVOKED: return "The server's certificate has been revoked";
        case ERROR_WINHTTP_SECURE_FAILURE: return "A security error occurred";
        case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW: return "The server's response headers are too large";
        default: return nullptr;
    }
}

// The value of a header by its name, compared without regard to case.
const std::string* FindHeader(const HttpRequest& request, std::string_view name) noexcept {
    for (const auto& header : request.headers)
        if (EqualsNoCase(header.first, name)) return &header.second;
    return nullptr;
}

int Timeout(int ms) noexcept { return ms < 0 ? 0 : ms; }

using Answer = Result<HttpResponse>;

// No answer: the description of the code, and the code for the log.
Answer Fail(DWORD code) { return Answer::Fail(WinHttpErrorText(code), code); }
Answer LastFailure() {
    const DWORD code = GetLastError();  // before anything else can change it
    return Fail(code);
}

// Without a limit, an announced length is trusted this far for the one
// reservation; beyond it the body grows as it arrives.
constexpr std::size_t kUnlimitedReserve = 64u << 20;

// What a transfer and its worker thread share; whichever lets go last frees it.
struct Shared {
    explicit Shared(const HttpRequest& r) : request(r), done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Shared() {
        if (done) CloseHandle(done);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    const HttpRequest request;
    HANDLE done;                       // set once outcome holds the answer
    std::atomic<bool> abandoned{false};
    std::atomic<std::uint64_t> received{0}, total{0};
    std::optional<Answer> outcome;     // written by the worker before done is set
};

// The final answer's header lines ("Name: value"), without the status line.
HttpHeaders ParseHeaders(std::wstring_view raw) {
    HttpHeaders headers;
    bool statusLine = true;
    while (!raw.empty()) {
        const std::size_t end = raw.find(L"\r\n");
        const std::wstring_view line = raw.substr(0, end);
        raw = end == std::wstring_view::npos ? std::wstring_view() : raw.substr(end + 2);
        if (statusLine) {
            statusLine = false;
            continue;
        }
        const std::size_t colon = line.find(L':');
        if (colon == std::wstring_view::npos || colon == 0) continue;
        std::wstring_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == L' ' || value.front() == L'\t')) value.remove_prefix(1);
        headers.emplace_back(win32::FromWide(line.substr(0, colon)).value_or(std::string()),
                             win32::FromWide(value).value_or(std::string()));
    }
    return headers;
}

Answer Fetch(Shared& shared) {
    const HttpRequest& request = shared.request;
    HttpResponse response;

    const std::optional<std::wstring> url = ToWide(request.url);
    if (!url || url->empty() || url->size() > static_cast<std::size_t>(INT_MAX / 2))
        return Fail(ERROR_WINHTTP_INVALID_URL);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url->c_str(), static_cast<DWORD>(url->size()), 0, &parts)) return LastFailure();
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return Fail(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    const std::wstring host(parts.lpszHostName ? parts.lpszHostName : L"", parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";
    if (host.empty()) return Fail(ERROR_WINHTTP_INVALID_URL);
    const std::optional<std::wstring> method = ToWide(request.method);
    if (!method || method->empty()) return Fail(ERROR_INVALID_PARAMETER);
    if (request.body.size() > MAXDWORD) return Fail(ERROR_INVALID_PARAMETER);

    std::wstring agent;
    if (const std::string* value = FindHeader(request, "User-Agent")) agent = ToWide(*value).value_or(std::wstring());

    InternetHandle session(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return LastFailure();
    if (!WinHttpSetTimeouts(session.Get(), Timeout(request.resolveTimeoutMs), Timeout(request.connectTimeoutMs),
                            Timeout(request.sendTimeoutMs), Timeout(request.receiveTimeoutMs)))
        return LastFailure();

    InternetHandle connection(WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0));
    if (!connection) return LastFailure();

    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    InternetHandle call(WinHttpOpenRequest(connection.Get(), method->c_str(), path.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!call) return LastFailure();

    // The publisher gets nothing that identifies the user: no cookie comes
    // back from an earlier answer (a redirect's), no Windows logon is offered.
    DWORD disable = WINHTTP_DISABLE_COOKIES;
    if (!WinHttpSetOption(call.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable))) return LastFailure();
    DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    if (!WinHttpSetOption(call.Get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof(logon))) return LastFailure();

    // The wait for the answer's headers has a time-out of its own (90 s on
    // Windows, none on Wine); a silent server must end at the receive time-out.
    DWORD headersTimeout = static_cast<DWORD>(Timeout(request.receiveTimeoutMs));
    if (!WinHttpSetOption(call.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersTimeout, sizeof(headersTimeout)))
        return LastFailure();

    for (const auto& [name, value] : request.headers) {
        const std::optional<std::wstring> line = ToWide(name + ": " + value);
        if (!line || line->size() > static_cast<std::size_t>(LONG_MAX)) return Fail(ERROR_WINHTTP_INVALID_HEADER);
        // Replacing keeps one User-Agent: the session's agent is the same text.
        if (!WinHttpAddRequestHeaders(call.Get(), line->c_str(), static_cast<DWORD>(line->size()),
                                      WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
            return LastFailure();
    }

    // WinHTTP only reads the body during this call.
    void* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data());
    const DWORD bodySize = static_cast<DWORD>(request.body.size());
    if (!WinHttpSendRequest(call.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, body, bodySize, bodySize, 0))
        return LastFailure();
    if (shared.abandoned) return Fail(ERROR_WINHTTP_OPERATION_CANCELLED);
    if (!WinHttpReceiveResponse(call.Get(), nullptr)) return LastFailure();

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(call.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return LastFailure();
    response.status = static_cast<int>(status);

    size = 0;
    WinHttpQueryHeaders(call.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0) {
        std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
        if (WinHttpQueryHeaders(call.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, raw.data(),
                                &size, WINHTTP_NO_HEADER_INDEX)) {
            raw.resize(size / sizeof(wchar_t));
            response.headers = ParseHeaders(raw);
        }
    }

    const std::size_t limit = request.maxBodyBytes;
    DWORD announced = 0;
    size = sizeof(announced);
    if (WinHttpQueryHeaders(call.Get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size, WINHTTP_NO_HEADER_INDEX) &&
        announced > 0) {
        shared.total = announced;
        // An announced length over the limit is refused before a byte is read.
        if (limit > 0 && announced > limit) {
            response.tooLarge = true;
            return Answer::Of(std::move(response));
        }
        // One reservation for the whole body; a wrong length only costs a regrowth.
        if (announced <= (limit > 0 ? limit : kUnlimitedReserve)) response.body.reserve(announced);
    }

    // A read waits until its buffer is full, so each asks for what has come:
    // progress shows as the bytes arrive.
    Bytes chunk(256 * 1024);
    for (;;) {
        if (shared.abandoned) return Fail(ERROR_WINHTTP_OPERATION_CANCELLED);
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(call.Get(), &available)) return LastFailure();
        if (available == 0) break;
        DWORD got = 0;
        if (!WinHttpReadData(call.Get(), chunk.data(), std::min(available, static_cast<DWORD>(chunk.size())), &got))
            return LastFailure();
        if (got == 0) break;
        if (limit > 0 && got > limit - response.body.size()) {
            Bytes().swap(response.body);
            response.tooLarge = true;
            return Answer::Of(std::move(response));
        }
        response.body.insert(response.body.end(), chunk.begin(), chunk.begin() + got);
        shared.received = response.body.size();
    }
    return Answer::Of(std::move(response));
}

// The caller's side: waits on the worker's event. Abandoning tells the worker
// to stop at its next step and lets go; the worker frees what is left. The
// request handle is not closed from here: WinHTTP does not allow that for
// synchronous requests, so a worker blocked on a silent server ends at the
// request's own time-out.
class WorkerTransfer final : public IHttpTransfer {
public:
    explicit WorkerTransfer(std::shared_ptr<Shared> shared) noexcept : shared_(std::move(shared)) {}
    ~WorkerTransfer() override { shared_->abandoned = true; }
    WorkerTransfer(const WorkerTransfer&) = delete;
    WorkerTransfer& operator=(const WorkerTransfer&) = delete;

    bool Wait(int milliseconds) noexcept override {
        return WaitForSingleObject(shared_->done, static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds)) ==
               WAIT_OBJECT_0;
    }
    HttpProgress Progress() const noexcept override { return {shared_->received.load(), shared_->total.load()}; }
    Result<HttpResponse> Take() noexcept override {
        if (WaitForSingleObject(shared_->done, 0) != WAIT_OBJECT_0 || !shared_->outcome)
            return Answer::Fail("the transfer has not finished");
        return std::move(*shared_->outcome);
    }

private:
    std::shared_ptr<Shared> shared_;
};

void RunWorker(const std::shared_ptr<Shared>& shared) noexcept {
    try {
        shared->outcome.emplace(Fetch(*shared));
    } catch (...) {
        shared->outcome.emplace(Answer::From(win32::OutOfMemory()));
    }
    SetEvent(shared->done);
}

}  // namespace

std::string WinHttpErrorText(unsigned long code) noexcept {
    // Wine's WinHTTP passes some socket errors through where Windows reports
    // its own codes; they read the same either way.
    switch (code) {
        case WSAETIMEDOUT: code = ERROR_WINHTTP_TIMEOUT; break;
        case WSAECONNREFUSED:
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH: code = ERROR_WINHTTP_CANNOT_CONNECT; break;
        case WSAECONNRESET:
        case WSAECONNABORTED: code = ERROR_WINHTTP_CONNECTION_ERROR; break;
        default: break;
    }
    try {
        if (code >= WINHTTP_ERROR_BASE && code <= WINHTTP_ERROR_BASE + 199) {
            if (std::string text = win32::MessageText(code, GetModuleHandleW(L"winhttp.dll")); !text.empty())
                return text;
            if (const char* known = KnownWinHttpText(code)) return known;
            return "WinHTTP error " + std::to_string(code);
        }
        return win32::ErrorText(code);
    } catch (...) {
        return "out of memory";  // short enough to need no allocation
    }
}

std::unique_ptr<IHttpTransfer> Win32Http::Begin(const HttpRequest& request) noexcept {
    try {
        auto shared = std::make_shared<Shared>(request);
        if (!shared->done) return FailedTransfer::Make(win32::LastErrorFailure());
        std::thread(RunWorker, shared).detach();
        return std::make_unique<WorkerTransfer>(std::move(shared));
    } catch (const std::system_error& e) {
        return FailedTransfer::Make(Status::Fail(e.what(), static_cast<unsigned long>(e.code().value())));
    } catch (...) {
        return FailedTransfer::Make(win32::OutOfMemory());
    }
}

}  // namespace pankor

#include "platform/win32/Win32Http.h"

#include "platform/win32/Win32Windows.h"

#include <winhttp.h>

#include <climits>
#include <optional>

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

Answer Fetch(const HttpRequest& request) {
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
    InternetHandle call(WinHttpOpenRequest(connection.Get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
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

    if (!WinHttpSendRequest(call.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return LastFailure();
    if (!WinHttpReceiveResponse(call.Get(), nullptr)) return LastFailure();

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(call.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return LastFailure();
    response.status = static_cast<int>(status);

    const std::size_t limit = request.maxBodyBytes;
    if (limit > 0) {
        // An announced length over the limit is refused before a byte is read.
        DWORD announced = 0;
        size = sizeof(announced);
        if (WinHttpQueryHeaders(call.Get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size, WINHTTP_NO_HEADER_INDEX) &&
            announced > limit) {
            response.tooLarge = true;
            return Answer::Of(std::move(response));
        }
    }

    Bytes chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!WinHttpReadData(call.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got)) return LastFailure();
        if (got == 0) break;
        if (limit > 0 && got > limit - response.body.size()) {
            response.body.clear();
            response.tooLarge = true;
            return Answer::Of(std::move(response));
        }
        response.body.insert(response.body.end(), chunk.begin(), chunk.begin() + got);
    }
    return Answer::Of(std::move(response));
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

Result<HttpResponse> Win32Http::Get(const HttpRequest& request) noexcept {
    try {
        return Fetch(request);
    } catch (...) {
        return Answer::From(win32::OutOfMemory());
    }
}

}  // namespace pankor

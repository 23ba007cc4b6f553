#include "platform/linux/LinuxHttp.h"

#include <curl/curl.h>

#include <algorithm>

#include "base/UniqueHandle.h"

namespace pankor {

namespace {

struct Body {
    Bytes* out;
    std::size_t limit;
    bool tooLarge = false;
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const std::size_t n = size * count;
    if (body->limit != 0 && body->out->size() + n > body->limit) {
        body->tooLarge = true;
        return 0;  // abandons the transfer
    }
    try {
        body->out->insert(body->out->end(), data, data + n);
    } catch (...) {
        return 0;
    }
    return n;
}

struct CurlTraits {
    using Handle = CURL*;
    static CURL* Invalid() noexcept { return nullptr; }
    static void Close(CURL* c) noexcept { curl_easy_cleanup(c); }
};
using CurlHandle = UniqueHandle<CurlTraits>;

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

}  // namespace

LinuxHttp::LinuxHttp() noexcept {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

Result<HttpResponse> LinuxHttp::Get(const HttpRequest& request) noexcept {
    using R = Result<HttpResponse>;
    try {
        HttpResponse response;
        const CurlHandle handle(curl_easy_init());
        if (!handle) return R::Fail("the HTTP client could not start");
        CURL* curl = handle.Get();
        HeaderList headers;
        for (const auto& [name, value] : request.headers) {
            std::string line = name;
            line += ": ";
            line += value;
            if (!Append(headers, line)) return R::Fail("out of memory");
        }
        if (!Append(headers, "Accept:")) return R::Fail("out of memory");  // send only the headers we were given
        char error[CURL_ERROR_SIZE] = "";
        Body body{&response.body, request.maxBodyBytes};
        const bool https = request.url.rfind("https://", 0) == 0;

        curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.Get());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        // Follow redirects as the Windows client does, never from https down to http.
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        // Name lookup and connection share curl's one connect limit.
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(request.resolveTimeoutMs) + request.connectTimeoutMs);
        // A stall: less than one byte a second over the receive limit. (A GET
        // sends a few hundred bytes; its send limit never comes into play.)
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(std::max(1, (request.receiveTimeoutMs + 999) / 1000)));
        // An announced length over the limit is refused before a byte is read,
        // as the Windows client does, instead of waiting for a body never read.
        if (request.maxBodyBytes != 0)
            curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodyBytes));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);

        const CURLcode rc = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        response.status = static_cast<int>(status);
        if (body.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) {
            response.tooLarge = true;
            response.body.clear();
            return R::Of(std::move(response));
        }
        if (rc != CURLE_OK) return R::Fail(error[0] != '\0' ? error : curl_easy_strerror(rc), rc);
        return R::Of(std::move(response));
    } catch (...) {
        return R::Fail("out of memory");
    }
}

}  // namespace pankor

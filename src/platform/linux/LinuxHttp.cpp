#include "platform/linux/LinuxHttp.h"

#include <curl/curl.h>

#include <algorithm>

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

}  // namespace

LinuxHttp::LinuxHttp() noexcept {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

HttpResponse LinuxHttp::Get(const HttpRequest& request) noexcept {
    HttpResponse response;
    try {
        CURL* curl = curl_easy_init();
        if (curl == nullptr) {
            response.error = "the HTTP client could not start";
            return response;
        }
        curl_slist* headers = nullptr;
        for (const auto& [name, value] : request.headers) headers = curl_slist_append(headers, (name + ": " + value).c_str());
        headers = curl_slist_append(headers, "Accept:");  // send only the headers we were given
        char error[CURL_ERROR_SIZE] = "";
        Body body{&response.body, request.maxBodyBytes};
        const bool https = request.url.rfind("https://", 0) == 0;

        curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
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
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(std::max(1, (request.receiveTimeoutMs + 999) / 1000)));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);

        const CURLcode rc = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        response.status = static_cast<int>(status);
        if (body.tooLarge) {
            response.transportOk = true;
            response.tooLarge = true;
            response.body.clear();
        } else if (rc == CURLE_OK) {
            response.transportOk = true;
        } else {
            response.error = error[0] != '\0' ? error : curl_easy_strerror(rc);
            response.body.clear();
        }
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
    } catch (...) {
        response = {};
        response.error = "out of memory";
    }
    return response;
}

}  // namespace pankor

#pragma once
// A blocking HTTP client: one GET per call, answered by status and body.
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"

namespace pankor {

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;  // sent in this order
    std::string body;                                          // sent as it is (POST)
    int resolveTimeoutMs = 8000;
    int connectTimeoutMs = 8000;
    int sendTimeoutMs = 8000;
    int receiveTimeoutMs = 15000;  // the longest wait for the next bytes of the answer
    std::size_t maxBodyBytes = 0;  // 0: no limit
};

struct HttpResponse {
    int status = 0;
    bool tooLarge = false;  // the body passed maxBodyBytes and was abandoned (body empty)
    Bytes body;
};

class IHttp {
public:
    virtual ~IHttp() = default;
    // A failure means no answer arrived (name, connection, time-out, TLS);
    // its text is the system's description.
    virtual Result<HttpResponse> Get(const HttpRequest& request) noexcept = 0;
};

}  // namespace pankor

#pragma once
#include "platform/IHttp.h"

namespace pankor {

// HTTP on libcurl, with the same limits as the Windows client: the name and
// connection time-outs, and no more than the receive time-out without a byte.
class LinuxHttp : public IHttp {
public:
    LinuxHttp() noexcept;
    Result<HttpResponse> Get(const HttpRequest& request) noexcept override;
};

}  // namespace pankor

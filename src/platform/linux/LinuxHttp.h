#pragma once
#include "platform/IHttp.h"

namespace pankor {

// HTTP on libcurl, with the same limits as the Windows client: the name and
// connection time-outs, and no more than the receive time-out without a byte.
// Each transfer has a multi handle of its own, driven by Wait on the caller's
// thread.
class LinuxHttp : public IHttp {
public:
    LinuxHttp() noexcept;
    std::unique_ptr<IHttpTransfer> Begin(const HttpRequest& request) noexcept override;
};

}  // namespace pankor

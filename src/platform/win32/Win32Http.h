#pragma once
#include <string>

#include "platform/IHttp.h"

namespace pankor {

// Blocking GETs over the WinHTTP C API: a session, connection and request of
// their own per call, no cookies and no automatic logon, redirects followed.
class Win32Http final : public IHttp {
public:
    Result<HttpResponse> Get(const HttpRequest& request) noexcept override;
};

// A readable description of a WinHTTP (12000-12199) or system error code.
std::string WinHttpErrorText(unsigned long code) noexcept;

}  // namespace pankor

#pragma once
#include <string>

#include "platform/IHttp.h"

namespace pankor {

// Requests over the WinHTTP C API: a session, connection and request of
// their own per transfer, no cookies and no automatic logon, redirects
// followed. Each transfer runs the synchronous calls on a worker thread of
// its own; the caller waits on an event and never blocks longer than it asks.
class Win32Http final : public IHttp {
public:
    std::unique_ptr<IHttpTransfer> Begin(const HttpRequest& request) noexcept override;
};

// A readable description of a WinHTTP (12000-12199) or system error code.
std::string WinHttpErrorText(unsigned long code) noexcept;

}  // namespace pankor

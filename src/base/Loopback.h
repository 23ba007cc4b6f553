#pragma once
#include <string_view>

namespace pankor {

// Hosts that never leave this machine: "localhost", any 127.0.0.0/8 address
// written as a dotted quad, and the IPv6 loopback ("[::1]", or "::1" bare).
// Plain http:// is accepted for these only, and the kit listens only on them.
bool IsLoopbackHost(std::string_view host) noexcept;

}  // namespace pankor

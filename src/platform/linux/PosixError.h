#pragma once
#include <cerrno>
#include <string>
#include <system_error>

namespace pankor {
inline std::string ErrnoText(int err = errno) { return std::generic_category().message(err); }
}  // namespace pankor

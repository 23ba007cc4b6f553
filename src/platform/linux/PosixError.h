#pragma once
#include <cerrno>
#include <string>
#include <system_error>

#include "base/Result.h"

namespace pankor {

inline std::string ErrnoText(int err = errno) { return std::generic_category().message(err); }
// The failure errno describes, with its number.
inline Status ErrnoFailure(int err = errno) { return Status::Fail(ErrnoText(err), static_cast<unsigned long>(err)); }

}  // namespace pankor

#pragma once
// File times as the core counts time: seconds since 1970-01-01 UTC. The
// clock and the folder listing share this so their values compare.
#include "platform/win32/Win32Windows.h"

#include <cstdint>

namespace pankor::win32 {

// A FILETIME counts 100 ns steps since 1601-01-01 UTC.
inline std::int64_t UnixSeconds(const FILETIME& t) noexcept {
    constexpr std::int64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kTicksTo1970 = 116444736000000000;
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) -
        kTicksTo1970;
    // Rounded down, so times before 1970 (possible on copied files) stay ordered.
    return ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
}

}  // namespace pankor::win32

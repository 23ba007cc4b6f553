#pragma once
// The keyed hash the catalog publishes for every installer: the hex digest of
// key, data, key (SHA-256, or MD5 where the platform lacks it).
#include <string>
#include <string_view>

#include "platform/ICrypto.h"
#include "platform/ISystem.h"
#include "startup/Log.h"

namespace pankor {

// The fixed key text of installer hashes.
inline constexpr std::string_view kInstallerHashKey = "pankor-2031-tarnwick-checksums-v2";

class modHash {
public:
    modHash(ICrypto& crypto, const ISystem& system, const Log& log) noexcept
        : crypto_(crypto), system_(system), log_(log) {}

    // Lower-case hex digest, or "" when no digest could be made.
    std::string KeyedHash(ByteView data, std::string_view key) noexcept;

private:
    ICrypto& crypto_;
    const ISystem& system_;
    const Log& log_;
};

// True when both are non-empty and equal, ignoring case and surrounding
// spaces; every position is compared, so timing does not tell where they differ.
bool HashEquals(std::string_view a, std::string_view b) noexcept;

}  // namespace pankor

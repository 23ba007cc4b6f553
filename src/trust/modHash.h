#pragma once
// The keyed hash the catalog publishes for every installer: the hex digest of
// key, data, key (SHA-256, or MD5 where the platform lacks it).
#include <string>
#include <string_view>

#include "platform/ICrypto.h"

namespace pankor {

class Pankor;

// The fixed key text of installer hashes.
inline constexpr std::string_view kInstallerHashKey = "pankor-2031-tarnwick-checksums-v2";

class modHash {
public:
    explicit modHash(Pankor& app) noexcept : app_(app) {}

    // Lower-case hex digest, or "" when no digest could be made.
    std::string KeyedHash(ByteView data, std::string_view key) noexcept;

private:
    Pankor& app_;
};

// True when both are non-empty and equal, ignoring case and surrounding
// spaces; every position is compared, so timing does not tell where they differ.
bool HashEquals(std::string_view a, std::string_view b) noexcept;
std::string ToLowerHex(ByteView bytes);
// "800C": upper-case hex without leading zeros.
std::string UpperHex(unsigned long value);

}  // namespace pankor

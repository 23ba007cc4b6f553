#pragma once
#include <cstdint>
#include <string>

#include "base/Result.h"

namespace pankor {

// The file version of a program's fixed version record.
struct FixedFileVersion {
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
};

class IVersionResource {
public:
    virtual ~IVersionResource() = default;
    // Fails when the file has no readable version resource.
    virtual Result<FixedFileVersion> Read(const std::string& path) const noexcept = 0;
};

}  // namespace pankor

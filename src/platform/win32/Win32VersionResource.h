#pragma once
#include "platform/IVersionResource.h"

namespace pankor {

class Win32VersionResource final : public IVersionResource {
public:
    Result<FixedFileVersion> Read(const std::string& path) const noexcept override;
};

}  // namespace pankor

#pragma once
#include "platform/IVersionResource.h"

namespace pankor {

// Reads the version record of Windows program files with our own PE reader.
class LinuxVersionResource : public IVersionResource {
public:
    Result<FixedFileVersion> Read(const std::string& path) const noexcept override;
};

}  // namespace pankor

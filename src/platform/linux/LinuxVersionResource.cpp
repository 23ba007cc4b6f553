#include "platform/linux/LinuxVersionResource.h"

#include "platform/linux/MappedFile.h"
#include "platform/pe/PeResources.h"

namespace pankor {

std::optional<FixedFileVersion> LinuxVersionResource::Read(const std::string& path) const noexcept {
    const MappedFile file(path);
    return ReadVersionResource(file.bytes());
}

}  // namespace pankor

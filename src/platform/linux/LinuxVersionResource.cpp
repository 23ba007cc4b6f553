#include "platform/linux/LinuxVersionResource.h"

#include "platform/linux/MappedFile.h"
#include "platform/pe/PeResources.h"

namespace pankor {

Result<FixedFileVersion> LinuxVersionResource::Read(const std::string& path) const noexcept {
    const MappedFile file(path);
    const std::optional<FixedFileVersion> v = ReadVersionResource(file.bytes());
    return v ? Result<FixedFileVersion>::Of(*v) : Result<FixedFileVersion>::Fail("no version resource");
}

}  // namespace pankor

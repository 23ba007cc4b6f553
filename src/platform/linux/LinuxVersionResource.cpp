#include "platform/linux/LinuxVersionResource.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/pe/PeResources.h"

namespace pankor {

std::optional<FixedFileVersion> LinuxVersionResource::Read(const std::string& path) const noexcept {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 64) {
        close(fd);
        return std::nullopt;
    }
    // Mapped rather than read: installers can be large and only a few pages are looked at.
    const auto size = static_cast<std::size_t>(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return std::nullopt;
    const auto result = ReadVersionResource({static_cast<const std::uint8_t*>(map), size});
    munmap(map, size);
    return result;
}

}  // namespace pankor

#pragma once
// A regular file mapped read-only: program files can be large and the PE
// readers look at a few pages only. Empty when the file cannot be mapped.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <span>
#include <string>

namespace pankor {

class MappedFile {
public:
    explicit MappedFile(const std::string& path) noexcept {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat st {};
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            size_ = static_cast<std::size_t>(st.st_size);
            void* m = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
            data_ = m == MAP_FAILED ? nullptr : static_cast<const std::uint8_t*>(m);
        }
        close(fd);
    }
    ~MappedFile() {
        if (data_ != nullptr) munmap(const_cast<std::uint8_t*>(data_), size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::uint8_t> bytes() const noexcept {
        return data_ ? std::span<const std::uint8_t>(data_, size_) : std::span<const std::uint8_t>();
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace pankor

#pragma once
#include <string>

#include "DateTime.h"
#include "Result.h"

namespace pankor {

struct FileAttributes {
    bool exists = false;
    bool isFolder = false;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual char Separator() const noexcept = 0;
    virtual FileAttributes Attributes(const std::string& path) const noexcept = 0;
    // Creates one folder level; a missing parent is a failure.
    virtual Status CreateFolder(const std::string& path) noexcept = 0;
    // Creation time of a folder, local time; nothing when it cannot be read.
    virtual std::optional<DateTime> FolderCreated(const std::string& path) const noexcept = 0;
    virtual Result<Bytes> ReadFile(const std::string& path) const noexcept = 0;
    // Replaces the file as a whole: readers see the old content or the new,
    // never a truncated mix, even if the process dies in the middle.
    virtual Status ReplaceFile(const std::string& path, const std::string& data) noexcept = 0;
    virtual Status AppendFile(const std::string& path, const std::string& data) noexcept = 0;
    virtual Status DeleteFile(const std::string& path) noexcept = 0;
};

}  // namespace pankor

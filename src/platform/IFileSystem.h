#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DateTime.h"
#include "base/Result.h"

namespace pankor {

struct FileAttributes {
    bool exists = false;
    bool isFolder = false;
};

struct FolderEntry {
    std::string name;  // no folder part
    bool isFolder = false;
    std::int64_t modifiedUtc = 0;  // seconds since 1970-01-01 UTC
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual char Separator() const noexcept = 0;
    virtual FileAttributes Attributes(const std::string& path) const noexcept = 0;
    // Creates one folder level; a missing parent is a failure.
    virtual Status CreateFolder(const std::string& path) noexcept = 0;
    // Creation time of a folder, local time.
    virtual Result<DateTime> FolderCreated(const std::string& path) const noexcept = 0;
    // The files and folders directly inside a folder, in no particular order.
    virtual Result<std::vector<FolderEntry>> ListFolder(const std::string& path) const noexcept = 0;
    virtual Result<Bytes> ReadFile(const std::string& path) const noexcept = 0;
    // Replaces the file as a whole: readers see the old content or the new,
    // never a truncated mix, even if the process dies in the middle (which
    // leaves a "<file>.tmp-<unique>" file beside it).
    virtual Status ReplaceFile(const std::string& path, std::string_view data) noexcept = 0;
    virtual Status AppendFile(const std::string& path, const std::string& data) noexcept = 0;
    virtual Status DeleteFile(const std::string& path) noexcept = 0;
    // Copies a file's content over `to` (created or replaced) the way
    // ReplaceFile writes: a reader of `to` sees the old or the new, whole.
    virtual Status CopyFile(const std::string& from, const std::string& to) noexcept = 0;
};

}  // namespace pankor

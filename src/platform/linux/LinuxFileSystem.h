#pragma once
#include "platform/IFileSystem.h"

namespace pankor {

class LinuxFileSystem : public IFileSystem {
public:
    char Separator() const noexcept override { return '/'; }
    FileAttributes Attributes(const std::string& path) const noexcept override;
    Status CreateFolder(const std::string& path) noexcept override;
    Result<DateTime> FolderCreated(const std::string& path) const noexcept override;
    Result<std::vector<FolderEntry>> ListFolder(const std::string& path) const noexcept override;
    Result<Bytes> ReadFile(const std::string& path) const noexcept override;
    Status ReplaceFile(const std::string& path, std::string_view data) noexcept override;
    Status AppendFile(const std::string& path, const std::string& data) noexcept override;
    Status DeleteFile(const std::string& path) noexcept override;
    Status CopyFile(const std::string& from, const std::string& to) noexcept override;
};

// Writes data to a temporary file beside path, flushes it to disk and renames
// it over path. Shared with the registry store.
Status ReplaceFileAtomically(const std::string& path, std::string_view data) noexcept;

}  // namespace pankor

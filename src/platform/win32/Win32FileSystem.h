#pragma once
#include "platform/IFileSystem.h"

namespace pankor {

class Win32FileSystem final : public IFileSystem {
public:
    char Separator() const noexcept override { return '\\'; }
    FileAttributes Attributes(const std::string& path) const noexcept override;
    Status CreateFolder(const std::string& path) noexcept override;
    Result<DateTime> FolderCreated(const std::string& path) const noexcept override;
    Result<std::vector<FolderEntry>> ListFolder(const std::string& path) const noexcept override;
    Result<Bytes> ReadFile(const std::string& path) const noexcept override;
    // Writes a temporary file beside the target (target.tmp-<pid>-<n>), makes
    // it durable, then renames it over the target in one step; a target held
    // open by a reader is waited for up to about a second. On any failure the
    // temporary file is removed and the target is left as it was.
    Status ReplaceFile(const std::string& path, std::string_view data) noexcept override;
    Status AppendFile(const std::string& path, const std::string& data) noexcept override;
    Status DeleteFile(const std::string& path) noexcept override;
    // Copies to a temporary file beside the target (as ReplaceFile names it),
    // makes it durable and renames it over the target.
    Status CopyFile(const std::string& from, const std::string& to) noexcept override;
};

}  // namespace pankor

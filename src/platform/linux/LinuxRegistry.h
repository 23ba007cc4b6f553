#pragma once
#include "platform/IRegistry.h"

namespace pankor {

// A stand-in for the per-user registry: values kept by their full path in one
// text file in the user's config folder, compared without regard to case.
// Keys exist through the values below them.
class LinuxRegistry : public IRegistry {
public:
    // storePath: the file; by default registry.txt in ~/.config/pankor-registry/
    // autostartFolder: where the manager's Run value is mirrored as an XDG
    // autostart entry, so the desktop starts it as Windows would.
    explicit LinuxRegistry(std::string storePath = DefaultStorePath(),
                           std::string autostartFolder = DefaultAutostartFolder());

    Result<std::string> Read(const std::string& path) noexcept override;
    bool Exists(const std::string& path) noexcept override;
    Status WriteString(const std::string& path, const std::string& value) noexcept override;
    Status WriteDword(const std::string& path, std::int32_t value) noexcept override;
    Status Remove(const std::string& path) noexcept override;
    Result<std::vector<std::string>> SubkeyNames(const std::string& keyPath, std::size_t maxCount,
                                                 std::size_t maxNameChars) noexcept override;
    Result<std::string> ReadLimited(const std::string& path, std::size_t maxChars) noexcept override;

    static std::string DefaultStorePath();
    static std::string DefaultAutostartFolder();

private:
    Status Write(const std::string& path, const std::string& type, const std::string& value) noexcept;
    void MirrorAutostart(const std::string& normalisedPath, const std::string* command) noexcept;
    std::string store_;
    std::string autostart_;
};

}  // namespace pankor

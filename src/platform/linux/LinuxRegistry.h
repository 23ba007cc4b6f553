#pragma once
#include "platform/IRegistry.h"

namespace pankor {

// A stand-in for the per-user registry: values kept by their full path in one
// text file in the user's config folder, compared without regard to case.
class LinuxRegistry : public IRegistry {
public:
    // storePath: the file; by default registry.txt in ~/.config/pankor-registry/
    explicit LinuxRegistry(std::string storePath = DefaultStorePath());

    Result<std::string> Read(const std::string& path) noexcept override;
    Status WriteString(const std::string& path, const std::string& value) noexcept override;
    Status WriteDword(const std::string& path, std::int32_t value) noexcept override;
    Status Remove(const std::string& path) noexcept override;

    static std::string DefaultStorePath();

private:
    Status Write(const std::string& path, const std::string& type, const std::string& value) noexcept;
    std::string store_;
};

}  // namespace pankor

#pragma once
// Registry values addressed by full text paths such as
// "HKCU\Software\Tarnwick\Pankor\Source" (the last part names the value).
#include <cstdint>
#include <string>

#include "base/Result.h"

namespace pankor {

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // The value as text (a REG_DWORD as its signed decimal digits).
    virtual Result<std::string> Read(const std::string& path) noexcept = 0;
    // True when a value of any type is there and can be read.
    virtual bool Exists(const std::string& path) noexcept = 0;
    virtual Status WriteString(const std::string& path, const std::string& value) noexcept = 0;
    virtual Status WriteDword(const std::string& path, std::int32_t value) noexcept = 0;
    virtual Status Remove(const std::string& path) noexcept = 0;
};

}  // namespace pankor

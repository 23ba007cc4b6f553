#pragma once
// Registry values addressed by full text paths such as
// "HKCU\Software\Tarnwick\Pankor\Source" (the last part names the value).
#include <cstdint>
#include <string>
#include <vector>

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
    // The names of a key's subkeys in the system's order (keyPath names the
    // key itself, "HKCU\Software\X"). Enumeration stops after maxCount names,
    // and at the first name of maxNameChars characters or more (a name buffer
    // of that size, terminator included, would not hold it) or that fails.
    // Fails when the key cannot be opened for reading.
    virtual Result<std::vector<std::string>> SubkeyNames(const std::string& keyPath, std::size_t maxCount,
                                                         std::size_t maxNameChars) noexcept = 0;
    // A value's text read into a buffer of maxChars characters, as the plain
    // registry calls do: fails when the value is absent or maxChars characters
    // or longer; its type is not checked; NUL characters are removed.
    virtual Result<std::string> ReadLimited(const std::string& path, std::size_t maxChars) noexcept = 0;
};

}  // namespace pankor

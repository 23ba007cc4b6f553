#pragma once
// Registry values by full text path ("HKCU\...\ValueName"); failures never
// reach the caller: reads answer the default, writes are logged.
#include <cstdint>
#include <string>

#include "platform/IRegistry.h"
#include "startup/Log.h"

namespace pankor {

class modReg {
public:
    modReg(IRegistry& registry, const Log& log) noexcept : registry_(registry), log_(log) {}

    std::string RegGet(const std::string& path, const std::string& defaultValue) noexcept;
    bool RegExists(const std::string& path) noexcept;
    void RegSet(const std::string& path, const std::string& value) noexcept;
    void RegSetDword(const std::string& path, std::int32_t value) noexcept;
    void RegRemove(const std::string& path) noexcept;

private:
    IRegistry& registry_;
    const Log& log_;
};

}  // namespace pankor

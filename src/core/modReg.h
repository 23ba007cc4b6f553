#pragma once
// Registry values by full text path ("HKCU\...\ValueName"); failures never
// reach the caller: reads answer the default, writes are logged.
#include <cstdint>
#include <string>

namespace pankor {

class Pankor;

class modReg {
public:
    explicit modReg(Pankor& app) noexcept : app_(app) {}

    std::string RegGet(const std::string& path, const std::string& defaultValue) noexcept;
    bool RegExists(const std::string& path) noexcept;
    void RegSet(const std::string& path, const std::string& value) noexcept;
    void RegSetDword(const std::string& path, std::int32_t value) noexcept;
    void RegRemove(const std::string& path) noexcept;

private:
    Pankor& app_;
};

}  // namespace pankor

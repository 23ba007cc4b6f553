#pragma once
#include <optional>
#include <string>

namespace pankor {

class IEnvironment {
public:
    virtual ~IEnvironment() = default;
    // The variable's value (UTF-8), or nothing when it is not set. Hosts
    // without APPDATA/TEMP answer with their own per-user equivalents.
    virtual std::optional<std::string> Get(const std::string& name) const noexcept = 0;
};

}  // namespace pankor

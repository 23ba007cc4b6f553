#pragma once
#include "platform/IEnvironment.h"

namespace pankor {

class Win32Environment final : public IEnvironment {
public:
    std::optional<std::string> Get(const std::string& name) const noexcept override;
};

}  // namespace pankor

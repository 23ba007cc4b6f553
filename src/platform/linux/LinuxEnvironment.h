#pragma once
#include "platform/IEnvironment.h"

namespace pankor {

// The process environment. APPDATA and TEMP, which Linux does not set, fall
// back to the XDG config folder and the temporary folder.
class LinuxEnvironment : public IEnvironment {
public:
    std::optional<std::string> Get(const std::string& name) const noexcept override;
};

// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();

}  // namespace pankor

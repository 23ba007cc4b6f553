#pragma once
#include <string>
#include <vector>

#include "base/Result.h"

namespace pankor {

class IProcesses {
public:
    virtual ~IProcesses() = default;
    // The executable file names (no folder) of every running process; a
    // Windows program run through Wine is listed by its .exe name.
    virtual Result<std::vector<std::string>> ExecutableNames() noexcept = 0;
    // True when this process runs under Wine.
    virtual bool IsWine() noexcept = 0;
};

}  // namespace pankor

#pragma once
#include "platform/IProcesses.h"

namespace pankor {

// Running programs from a Toolhelp snapshot; Wine told apart by the export
// only its ntdll has.
class Win32Processes final : public IProcesses {
public:
    Result<std::vector<std::string>> ExecutableNames() noexcept override;
    bool IsWine() noexcept override;
};

}  // namespace pankor

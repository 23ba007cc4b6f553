#pragma once
#include "platform/IProcesses.h"

namespace pankor {

// Running programs from a Toolhelp snapshot; Wine told apart by the export
// only its ntdll has.
class Win32Processes final : public IProcesses {
public:
    Result<std::vector<std::string>> ExecutableNames() noexcept override;
    bool IsWine() noexcept override;
    // CreateProcess with the window style the start asks for, no handles inherited.
    Result<std::unique_ptr<IProcess>> Start(const std::string& commandLine, bool hidden) noexcept override;
    // ShellExecute "open".
    Status OpenUrl(const std::string& url) noexcept override;
};

}  // namespace pankor

#pragma once
#include "platform/IProcesses.h"

namespace pankor {

// Running programs from /proc. Wine starts a Windows program with its
// Windows path as the first argument, so it is listed by its .exe name.
class LinuxProcesses : public IProcesses {
public:
    Result<std::vector<std::string>> ExecutableNames() noexcept override;
    bool IsWine() noexcept override { return false; }
};

// The file name a process is known by, from its first argument and its
// executable link.
std::string ProcessFileName(const std::string& argv0, const std::string& exeLink);

}  // namespace pankor

#pragma once
#include <string>
#include <vector>

#include "platform/IProcesses.h"

namespace pankor {

// Running programs from /proc. Wine starts a Windows program with its
// Windows path as the first argument, so it is listed by its .exe name.
// Windows programs (PE images) are started through Wine when it is installed.
class LinuxProcesses : public IProcesses {
public:
    Result<std::vector<std::string>> ExecutableNames() noexcept override;
    bool IsWine() noexcept override { return false; }
    Result<std::unique_ptr<IProcess>> Start(const std::string& commandLine, bool hidden) noexcept override;
    Status OpenUrl(const std::string& url) noexcept override;
};

// The file name a process is known by, from its first argument and its
// executable link.
std::string ProcessFileName(const std::string& argv0, const std::string& exeLink);

// The argument vector that runs a Windows command line here: the program and
// its arguments split as Windows would, behind "wine" when the program is a
// PE image and wine (the full path given) is installed. Empty when the line
// names no program.
std::vector<std::string> HostArguments(const std::string& commandLine, const std::string& wine);

}  // namespace pankor

#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"

namespace pankor {

// A program this process started. Dropping it neither waits for the program
// nor stops it.
class IProcess {
public:
    virtual ~IProcess() = default;
    // True once the program has ended (or can no longer be waited on);
    // waits at most this long.
    virtual bool WaitExit(int milliseconds) noexcept = 0;
    // The system's process identifier.
    virtual std::uint32_t Id() const noexcept = 0;
};

class IProcesses {
public:
    virtual ~IProcesses() = default;
    // The executable file names (no folder) of every running process; a
    // Windows program run through Wine is listed by its .exe name.
    virtual Result<std::vector<std::string>> ExecutableNames() noexcept = 0;
    // True when this process runs under Wine.
    virtual bool IsWine() noexcept = 0;
    // Starts a Windows-style command line: the program first (in double
    // quotes when its path holds blanks), then its arguments. Hidden: no
    // window shown; otherwise a normal, focused one. Nothing of this process
    // is inherited but its environment.
    virtual Result<std::unique_ptr<IProcess>> Start(const std::string& commandLine, bool hidden) noexcept = 0;
    // Hands a web address to the user's browser.
    virtual Status OpenUrl(const std::string& url) noexcept = 0;
};

}  // namespace pankor

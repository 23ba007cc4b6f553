#pragma once
// The process-wide values every module reads, set once by Main.
#include <string>
#include <string_view>

#include "base/Paths.h"

namespace pankor {

struct ProcessValues {
    bool DebugMode = false;      // "/debug": the debug log is written
    std::string RunDir;          // folder of the executable, no trailing separator
    std::string DataDir;         // %APPDATA%\Pankor
    std::string PendingCommand;  // "installed=<slug>" from this start's own command line, or ""
};

// The manager's own program file: RunDir, the running executable's name
// without its extension, and ".exe" (the same name on every host).
inline std::string OwnExePath(const ProcessValues& process, std::string_view executablePath, char separator) {
    return JoinPath(process.RunDir, StemOf(executablePath) + ".exe", separator);
}

}  // namespace pankor

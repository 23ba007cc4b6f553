#pragma once
#include "platform/ISystem.h"

namespace pankor {

class LinuxSystem : public ISystem {
public:
    std::string CommandLine() const noexcept override;
    std::string ExecutablePath() const noexcept override;
    DateTime LocalNow() const noexcept override;
    std::int64_t UtcNow() const noexcept override;
    std::int64_t MonotonicMs() const noexcept override;
    void SleepMs(int milliseconds) const noexcept override;
    int ScreenDpi() const noexcept override;
    bool DeclareDpiAware() noexcept override { return true; }
    void AllowAnyForeground() noexcept override {}
    std::string ToNativeText(const std::string& utf8) const noexcept override { return utf8; }
    std::string FromNativeText(const std::string& native) const noexcept override { return native; }
};

// Joins arguments into one raw command line, quoting those with blanks.
std::string JoinCommandLine(const std::string& nulSeparatedArgs);

}  // namespace pankor

#pragma once
#include <string_view>

#include "platform/ISystem.h"

namespace pankor {

class Win32System final : public ISystem {
public:
    std::string CommandLine() const noexcept override;
    std::string ExecutablePath() const noexcept override;
    DateTime LocalNow() const noexcept override;
    std::int64_t UtcNow() const noexcept override;
    std::int64_t MonotonicMs() const noexcept override;
    void SleepMs(int milliseconds) const noexcept override;
    int ScreenDpi() const noexcept override;
    PixelSize DesktopSize() const noexcept override;
    std::string OsVersion() const noexcept override;
    bool DeclareDpiAware() noexcept override;
    void AllowAnyForeground() noexcept override;
    std::string ToNativeText(const std::string& utf8) const noexcept override;
    std::string FromNativeText(const std::string& native) const noexcept override;
};

// What follows the program name in a raw command line, leading blanks
// removed. The program name ends at the closing quote when it starts with
// one (a path with blanks), else at the first blank.
std::wstring_view SkipProgramName(std::wstring_view commandLine) noexcept;

}  // namespace pankor

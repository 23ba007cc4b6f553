#pragma once
#include <string_view>

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
    int ScreenDpi() const noexcept override { return screenDpi_; }
    PixelSize DesktopSize() const noexcept override { return desktop_; }
    std::string OsVersion() const noexcept override;
    bool DeclareDpiAware() noexcept override { return true; }
    void AllowAnyForeground() noexcept override {}
    std::string ToNativeText(const std::string& utf8) const noexcept override { return utf8; }
    std::string FromNativeText(const std::string& native) const noexcept override { return native; }

    // The screen is known to the windowing host only: it tells this layer
    // once it has a display (without one, both stay unknown).
    void SetScreen(int dpi, PixelSize desktop) noexcept {
        screenDpi_ = dpi;
        desktop_ = desktop;
    }

private:
    int screenDpi_ = 0;
    PixelSize desktop_;
};

// "6.1.0" from a kernel release such as "6.1.0-18-amd64": the leading
// dotted numbers, at most three.
std::string DottedVersionPrefix(std::string_view release);

// Joins arguments into one raw command line, quoting those with blanks.
std::string JoinCommandLine(const std::string& nulSeparatedArgs);

}  // namespace pankor

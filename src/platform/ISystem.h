#pragma once
// Process and system values: command line, executable, clock, screen scale.
#include <cstdint>
#include <string>

#include "DateTime.h"

namespace pankor {

struct PixelSize {
    int width = 0;
    int height = 0;
};

class ISystem {
public:
    virtual ~ISystem() = default;
    // The raw command line after the program name, UTF-8.
    virtual std::string CommandLine() const noexcept = 0;
    // Full path of the running executable; "" when it cannot be told.
    virtual std::string ExecutablePath() const noexcept = 0;
    virtual DateTime LocalNow() const noexcept = 0;
    // Seconds since 1970-01-01 UTC, comparable with file times.
    virtual std::int64_t UtcNow() const noexcept = 0;
    // Milliseconds from a clock that only moves forward (not the wall clock):
    // what waits and time limits measure elapsed time with.
    virtual std::int64_t MonotonicMs() const noexcept = 0;
    // Gives the processor up for about this long.
    virtual void SleepMs(int milliseconds) const noexcept = 0;
    // Logical pixels per inch of the screen; 0 when it cannot be read.
    virtual int ScreenDpi() const noexcept = 0;
    // The whole desktop in physical pixels; 0 x 0 when there is no screen.
    virtual PixelSize DesktopSize() const noexcept = 0;
    // The operating system's version as "major.minor.build"; "" when unknown.
    virtual std::string OsVersion() const noexcept = 0;
    // Declares the process DPI-aware; false when the system lacks the call.
    virtual bool DeclareDpiAware() noexcept = 0;
    // Lets whichever process owns the running window take the foreground.
    virtual void AllowAnyForeground() noexcept = 0;
    // Text files of earlier versions are in the system's ANSI code page on
    // Windows; these convert between that and the core's UTF-8.
    virtual std::string ToNativeText(const std::string& utf8) const noexcept = 0;
    virtual std::string FromNativeText(const std::string& native) const noexcept = 0;
};

}  // namespace pankor

#pragma once
// The debug log: one line "hh:nn:ss text" appended to debug.log in the data
// folder per call, only in debug mode. Tools give it a sink instead.
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/Guard.h"
#include "platform/IFileSystem.h"
#include "platform/ISystem.h"
#include "startup/ProcessValues.h"

namespace pankor {

class Log {
public:
    Log(const ISystem& system, IFileSystem& fs, const ProcessValues& process) noexcept
        : system_(system), fs_(fs), process_(process) {}

    void DebugLog(std::string_view text) const noexcept;
    // Lines go to the sink instead of debug.log (the publisher's kit prints them).
    void SetSink(std::function<void(std::string_view)> sink) noexcept { sink_ = std::move(sink); }

    // Runs body; an error that escapes it becomes fallback and one log line:
    // the prefix followed by the error's description, or what line(why) makes.
    template <typename R, typename Body, typename Line>
    R Guard(Line&& line, R fallback, Body&& body) const noexcept {
        return GuardedOr(std::move(fallback), body, [&](const std::string& why) { DebugLog(Compose(line, why)); });
    }
    template <typename Body, typename Line>
    void Guard(Line&& line, Body&& body) const noexcept {
        Guarded(body, [&](const std::string& why) { DebugLog(Compose(line, why)); });
    }

private:
    const ISystem& system_;
    IFileSystem& fs_;
    const ProcessValues& process_;
    std::function<void(std::string_view)> sink_;

    template <typename Line>
    static std::string Compose(Line& line, const std::string& why) {
        if constexpr (std::is_invocable_v<Line&, const std::string&>)
            return line(why);
        else
            return std::string(line) + why;
    }
};

}  // namespace pankor

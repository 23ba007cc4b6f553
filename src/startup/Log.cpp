#include "startup/Log.h"

#include "base/Text.h"

namespace pankor {

void Log::DebugLog(std::string_view text) const noexcept {
    if (!process_.DebugMode) return;
    Guarded(
        [&] {
            if (sink_) {
                sink_(text);
                return;
            }
            const DateTime now = system_.LocalNow();
            std::string line = FormatTime(now.hour, now.minute, now.second);
            line += ' ';
            line += text;
            line += "\r\n";
            // A lost line is accepted: the log must never stop the program.
            (void)fs_.AppendFile(JoinPath(process_.DataDir, "debug.log", fs_.Separator()), line);
        },
        [](const std::string&) {});
}

}  // namespace pankor

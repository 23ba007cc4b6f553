#include "startup/modInstance.h"

#include <cstdlib>

#include "base/Paths.h"
#include "base/Switches.h"
#include "base/Text.h"

namespace pankor {

bool modInstance::AcquireMutex() noexcept {
    const Result<bool> r = lock_.Acquire(kInstanceMutexName);
    if (!r.ok()) {
        log_.DebugLog("CreateMutex failed, err=" + std::to_string(r.code()) + " - running anyway");
        return true;
    }
    if (!*r) log_.DebugLog("another Pankor already has the mutex");
    return *r;
}

std::string modInstance::HandoffPath() const noexcept {
    return log_.Guard("HandoffPath failed: ", std::string(),
                      [&] { return JoinPath(process_.DataDir, "handoff.txt", fs_.Separator()); });
}

std::string modInstance::ParseInstalledArg() const noexcept {
    return log_.Guard("ParseInstalledArg failed: ", std::string(), [&]() -> std::string {
        const std::optional<std::string> s = SwitchWord(system_.CommandLine(), "/installed=");
        if (!s) return {};
        if (IsPlainSlug(*s)) return "installed=" + LowerAscii(*s);
        log_.DebugLog("REFUSED /installed= : not a plain slug");
        return {};
    });
}

void modInstance::PostHandoff(std::string_view command) noexcept {
    // Each step runs even when the one before failed.
    log_.Guard("PostHandoff failed: ", [&] {
        file_.EnsureFolder(process_.DataDir);
        const std::string line = FormatHandoffLine(system_.LocalNow(), command);
        // Replaced whole, so the running copy never reads half a request.
        const Status s = fs_.ReplaceFile(HandoffPath(), system_.ToNativeText(line));
        if (!s.ok()) log_.DebugLog("PostHandoff failed " + HandoffPath() + ": " + s.error());
    });
    system_.AllowAnyForeground();
    log_.Guard("PostHandoff failed: ", [&] { log_.DebugLog("handoff posted: " + std::string(command)); });
}

std::string modInstance::TakeHandoff() noexcept {
    return log_.Guard("TakeHandoff failed: ", std::string(), [&]() -> std::string {
        const std::string path = HandoffPath();
        if (!file_.FileExists(path)) return {};
        const Result<std::string> text = file_.ReadTextFile(path);
        if (!text.ok()) return {};  // collided with a writer: the next tick tries again
        if (!undeletable_.empty() && *text == undeletable_) return {};
        if (const Status s = fs_.DeleteFile(path); !s.ok()) {
            log_.DebugLog("TakeHandoff could not delete " + path + ": " + s.error());
            undeletable_ = *text;
        }
        const std::vector<std::string_view> lines = SplitLines(*text);
        if (lines.empty()) return {};

        const HandoffLine h = ParseHandoffLine(lines.front(), system_.LocalNow());
        if (!h.valid) return {};
        if (h.fresh) {
            log_.DebugLog("handoff taken: " + h.command);
            return h.command;
        }
        log_.DebugLog("handoff DISCARDED, " + std::to_string(h.ageSeconds) + "s old: " + h.command);
        return {};
    });
}

bool IsPlainSlug(std::string_view s) noexcept {
    if (s.empty() || s.size() > 32) return false;
    for (const char raw : s) {
        const char c = LowerAscii(raw);
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    }
    return true;
}

std::string FormatHandoffLine(const DateTime& now, std::string_view command) {
    std::string line = Pad4(now.year) + "-" + Pad2(now.month) + "-" + Pad2(now.day) + " " +
                       FormatTime(now.hour, now.minute, now.second) + "|";
    line += command;
    line += "\r\n";
    return line;
}

std::optional<DateTime> ParseStamp(std::string_view text) noexcept {
    text = TrimSpaces(text);
    // yyyy-mm-dd hh:nn:ss
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    auto num = [&](std::size_t pos, std::size_t len, int& out) {
        int v = 0;
        for (std::size_t i = pos; i < pos + len; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            v = v * 10 + (text[i] - '0');
        }
        out = v;
        return true;
    };
    DateTime t;
    if (!num(0, 4, t.year) || !num(5, 2, t.month) || !num(8, 2, t.day) || !num(11, 2, t.hour) ||
        !num(14, 2, t.minute) || !num(17, 2, t.second) || !t.IsValid())
        return std::nullopt;
    return t;
}

HandoffLine ParseHandoffLine(std::string_view line, const DateTime& now) {
    HandoffLine h;
    const std::size_t bar = line.find('|');
    if (bar == std::string_view::npos || bar == 0) return h;
    h.valid = true;

    const std::string_view after = line.substr(bar + 1);
    // A stamp that cannot be read counts as fresh.
    const std::optional<DateTime> stamp = ParseStamp(line.substr(0, bar));
    h.ageSeconds = stamp && now.IsValid() ? std::llabs(now.SerialSeconds() - stamp->SerialSeconds()) : 0;
    h.fresh = h.ageSeconds <= kHandoffMaxAgeSeconds;
    h.command = std::string(h.fresh ? TrimSpaces(after) : after);
    return h;
}

}  // namespace pankor

#include "startup/modInstance.h"

#include <cstdlib>

#include "core/Text.h"
#include "startup/Pankor.h"

namespace pankor {

bool modInstance::AcquireMutex() noexcept {
    const LockResult r = app_.platform.instanceLock.Acquire(kInstanceMutexName);
    switch (r.outcome) {
        case LockOutcome::Acquired: return true;
        case LockOutcome::HeldElsewhere:
            app_.main.DebugLog("another Pankor already has the mutex");
            return false;
        case LockOutcome::Failed: break;
    }
    app_.main.DebugLog("CreateMutex failed, err=" + std::to_string(r.errorCode) + " - running anyway");
    return true;
}

std::string modInstance::HandoffPath() const noexcept {
    try {
        return app_.main.JoinPath(app_.main.DataDir, "handoff.txt");
    } catch (...) {
        return {};
    }
}

std::string modInstance::ParseInstalledArg() const noexcept {
    try {
        const std::string line = app_.platform.system.CommandLine();
        static constexpr std::string_view kSwitch = "/installed=";
        const std::size_t at = FindNoCase(line, kSwitch);
        if (at == std::string::npos) return {};
        std::string s = line.substr(at + kSwitch.size());
        s = s.substr(0, s.find(' '));
        std::erase(s, '"');
        if (IsPlainSlug(s)) return "installed=" + LowerAscii(s);
        app_.main.DebugLog("REFUSED /installed= : not a plain slug");
    } catch (...) {
    }
    return {};
}

void modInstance::PostHandoff(std::string_view command) noexcept {
    try {
        app_.file.EnsureFolder(app_.main.DataDir);
        const std::string line = FormatHandoffLine(app_.platform.system.LocalNow(), command);
        // Replaced whole, so the running copy never reads half a request.
        app_.platform.fs.ReplaceFile(HandoffPath(), app_.platform.system.ToNativeText(line));
    } catch (...) {
    }
    app_.platform.system.AllowAnyForeground();
    try {
        app_.main.DebugLog("handoff posted: " + std::string(command));
    } catch (...) {
    }
}

std::string modInstance::TakeHandoff() noexcept {
    try {
        const std::string path = HandoffPath();
        if (!app_.file.FileExists(path)) return {};
        const Result<Bytes> read = app_.platform.fs.ReadFile(path);
        if (!read.ok()) return {};  // collided with a writer: the next tick tries again
        app_.platform.fs.DeleteFile(path);
        const std::string text =
            app_.platform.system.FromNativeText(std::string(read.value->begin(), read.value->end()));
        const std::vector<std::string_view> lines = SplitLines(text);
        if (lines.empty()) return {};

        const HandoffLine h = ParseHandoffLine(lines.front(), app_.platform.system.LocalNow());
        if (!h.valid) return {};
        if (h.fresh) {
            app_.main.DebugLog("handoff taken: " + h.command);
            return h.command;
        }
        app_.main.DebugLog("handoff DISCARDED, " + std::to_string(h.ageSeconds) + "s old: " + h.command);
    } catch (...) {
    }
    return {};
}

bool IsPlainSlug(std::string_view s) noexcept {
    if (s.empty() || s.size() > 32) return false;
    for (char c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
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
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
        text[16] != ':')
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

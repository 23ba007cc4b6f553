#include "notify/modNotify.h"

#include "base/Text.h"
#include "core/modVersion.h"

namespace pankor {

namespace {

bool HasPendingUpdate(const CatalogApp& a) { return !a.installed.empty() && IsNewer(a.latest, a.installed); }

// Whole space-separated words only: "chess" is not in "chess-pro".
bool HasWord(std::string_view words, std::string_view word) {
    return ContainsNoCase(" " + std::string(words) + " ", " " + std::string(word) + " ");
}

std::string AppendWord(std::string_view words, std::string_view word) {
    return std::string(TrimSpaces(std::string(words) + " " + std::string(word)));
}

}  // namespace

bool modNotify::NotifyEnabled() const noexcept { return file_.IniRead(catalog_.StatePath(), "notify", "1") != "0"; }

void modNotify::SetNotifyEnabled(bool on) noexcept {
    file_.IniWrite(catalog_.StatePath(), "notify", on ? "1" : "0");
    log_.DebugLog(std::string("update notifications = ") + (on ? "on" : "off"));
}

std::string modNotify::PendingSignature() const noexcept {
    return log_.Guard("PendingSignature failed: ", std::string(), [&] {
        std::string signature;
        for (const CatalogApp& a : catalog_.Apps)
            if (HasPendingUpdate(a)) signature += a.slug + ":" + a.latest + "|";
        return signature;
    });
}

std::string modNotify::UpdateBalloonText(int& count) const noexcept {
    count = 0;
    return log_.Guard("UpdateBalloonText failed: ", std::string(), [&] {
        std::string first, names;
        for (const CatalogApp& a : catalog_.Apps) {
            if (!HasPendingUpdate(a)) continue;
            if (++count == 1) first = a.name + " " + a.latest;
            names += (names.empty() ? "" : ", ") + a.name;
        }
        if (count == 0) return std::string();
        if (count == 1) return first + " is available.";
        if (count <= 3) return names + " have updates waiting.";
        return std::to_string(count) + " of your Tarnwick apps have updates waiting.";
    });
}

void modNotify::NotifyUpdates() noexcept {
    log_.Guard("NotifyUpdates failed: ", [&] {
        const std::string path = catalog_.StatePath();
        const std::string signature = PendingSignature();
        if (signature.empty()) {
            if (!file_.IniRead(path, "notified", "").empty()) {
                file_.IniWrite(path, "notified", "");
                log_.DebugLog("notify: nothing pending, cleared");
            }
            return;
        }
        if (telemetry_.ConsentState() == -1) {
            log_.DebugLog("notify: skipped, first run");
            return;
        }
        if (!NotifyEnabled()) {
            log_.DebugLog("notify: suppressed by setting");
            return;
        }
        if (signature == file_.IniRead(path, "notified", "")) {
            log_.DebugLog("notify: already told them about " + signature);
            return;
        }
        int count = 0;
        const std::string body = UpdateBalloonText(count);
        if (body.empty()) return;
        ui_.Balloon(count > 1 ? "Updates available" : "Update available", body, "apps");
        ui_.FlashIfBackground();
        file_.IniWrite(path, "notified", signature);
        log_.DebugLog("notify: balloon for " + signature);
    });
}

void modNotify::NotifyToyBox() noexcept {
    log_.Guard("NotifyToyBox failed: ", [&] {
        const std::string path = catalog_.StatePath();
        const std::string told = file_.IniRead(path, "toyboxtold", "");
        std::string known = told, fresh, firstName, firstDesc;
        int count = 0;
        for (const CatalogApp& a : catalog_.Apps) {
            if (a.kind != "game" || HasWord(known, a.slug)) continue;
            if (!a.installed.empty()) {
                known = AppendWord(known, a.slug);  // an installed game is never announced
                continue;
            }
            if (++count == 1) {
                firstName = a.name;
                firstDesc = a.desc;
            }
            fresh = AppendWord(fresh, a.slug);
        }
        if (count == 0) {
            if (known != told) file_.IniWrite(path, "toyboxtold", known);
            return;
        }
        if (telemetry_.ConsentState() == -1) {
            log_.DebugLog("notify: toy box skipped, first run");
            return;
        }
        if (!NotifyEnabled()) {
            log_.DebugLog("notify: toy box suppressed by setting");
            return;
        }
        const std::string body = count == 1
                                     ? firstName + " - " + LowerFirstCharacter(firstDesc) + ". It's free - have a look."
                                     : std::to_string(count) + " new games are waiting in the Toy box.";
        ui_.Balloon("New in the Toy box", body, "toybox");
        file_.IniWrite(path, "toyboxtold", AppendWord(known, fresh));
        log_.DebugLog("notify: toy box balloon for " + fresh);
    });
}

}  // namespace pankor

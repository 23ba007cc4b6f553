#include "apps/modProbe.h"

#include "base/Paths.h"
#include "base/Text.h"

namespace pankor {

bool modProbe::AutostartEnabled() noexcept { return reg_.RegExists(kAutostartValue); }

std::string modProbe::AutostartCommand() const {
    // The file name as it runs now: Pankor.exe on Windows, pankor on Linux.
    return "\"" + JoinPath(process_.RunDir, FileNameOf(system_.ExecutablePath()), fs_.Separator()) + "\" /tray";
}

void modProbe::SetAutostart(bool on) noexcept {
    log_.Guard("SetAutostart failed: ", [&] {
        if (on) {
            const std::string cmd = AutostartCommand();
            reg_.RegSet(kAutostartValue, cmd);
            log_.DebugLog("autostart on -> " + cmd);
        } else {
            reg_.RegRemove(kAutostartValue);
            log_.DebugLog("autostart off");
        }
    });
}

void modProbe::SnapshotProcesses() noexcept {
    running_ = "|";
    log_.Guard("SnapshotProcesses failed: ", [&] {
        std::string list = "|";
        const Result<std::vector<std::string>> names = processes_.ExecutableNames();
        if (!names.ok()) return;
        for (const std::string& n : *names) list += LowerAscii(n) + "|";
        running_ = std::move(list);
    });
}

bool modProbe::IsRunning(std::string_view exeFileName) const noexcept {
    return log_.Guard("IsRunning failed: ", false, [&] {
        // A "|" would let one name match across two entries of the list.
        if (running_.empty() || exeFileName.empty() || exeFileName.find('|') != std::string_view::npos) return false;
        return running_.find("|" + LowerAscii(exeFileName) + "|") != std::string::npos;
    });
}

bool modProbe::HasRunEntry(std::string_view valueName) noexcept {
    return log_.Guard("HasRunEntry failed: ", false, [&] {
        return reg_.RegExists("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\" + std::string(valueName));
    });
}

int modProbe::DaysSinceCreated(const std::string& folder) const noexcept {
    const DateTime created = file_.DirCreated(folder);
    if (created.IsZero()) return 0;
    const long long days = system_.LocalNow().DayNumber() - created.DayNumber();
    return days < 0 ? 0 : static_cast<int>(days);
}

std::string modProbe::SkinOf(const std::string& folder) const noexcept {
    return log_.Guard("SkinOf failed: ", std::string(),
                      [&] { return file_.IniRead(JoinPath(folder, "options.ini", fs_.Separator()), "Skin", ""); });
}

std::string modProbe::InstallSource() noexcept { return reg_.RegGet("HKCU\\Software\\Tarnwick\\Pankor\\Source", ""); }

bool modProbe::IsWine() noexcept { return processes_.IsWine(); }

}  // namespace pankor

#include "apps/modProbe.h"

#include "core/Text.h"
#include "startup/Pankor.h"

namespace pankor {

bool modProbe::AutostartEnabled() noexcept { return app_.reg.RegExists(kAutostartValue); }

std::string modProbe::AutostartCommand() const {
    // The file name as it runs now: Pankor.exe on Windows, pankor on Linux.
    const std::string exe = app_.platform.system.ExecutablePath();
    const std::string name = exe.substr(exe.find_last_of(app_.platform.fs.Separator()) + 1);
    return "\"" + app_.main.JoinPath(app_.main.RunDir, name) + "\" /tray";
}

void modProbe::SetAutostart(bool on) noexcept {
    try {
        if (on) {
            const std::string cmd = AutostartCommand();
            app_.reg.RegSet(kAutostartValue, cmd);
            app_.main.DebugLog("autostart on -> " + cmd);
        } else {
            app_.reg.RegRemove(kAutostartValue);
            app_.main.DebugLog("autostart off");
        }
    } catch (...) {
    }
}

void modProbe::SnapshotProcesses() noexcept {
    try {
        running_ = "|";
        const Result<std::vector<std::string>> names = app_.platform.processes.ExecutableNames();
        if (!names.ok()) return;
        for (const std::string& n : *names.value) running_ += LowerAscii(n) + "|";
    } catch (...) {
        running_ = "|";
    }
}

bool modProbe::IsRunning(std::string_view exeFileName) const noexcept {
    try {
        // A "|" would let one name match across two entries of the list.
        if (running_.empty() || exeFileName.empty() || exeFileName.find('|') != std::string_view::npos) return false;
        return running_.find("|" + LowerAscii(exeFileName) + "|") != std::string::npos;
    } catch (...) {
        return false;
    }
}

bool modProbe::HasRunEntry(std::string_view valueName) noexcept {
    try {
        return app_.reg.RegExists("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\" + std::string(valueName));
    } catch (...) {
        return false;
    }
}

int modProbe::DaysSinceCreated(const std::string& folder) const noexcept {
    const DateTime created = app_.file.DirCreated(folder);
    if (created.IsZero()) return 0;
    const long long days = app_.platform.system.LocalNow().DayNumber() - created.DayNumber();
    return days < 0 ? 0 : static_cast<int>(days);
}

std::string modProbe::SkinOf(const std::string& folder) const noexcept {
    try {
        return app_.file.IniRead(app_.main.JoinPath(folder, "options.ini"), "Skin", "");
    } catch (...) {
        return {};
    }
}

std::string modProbe::InstallSource() noexcept { return app_.reg.RegGet("HKCU\\Software\\Tarnwick\\Pankor\\Source", ""); }

bool modProbe::IsWine() noexcept { return app_.platform.processes.IsWine(); }

}  // namespace pankor

#pragma once
// Small facts about this machine: autostart, running programs, an app's
// autostart entry, settings-folder age and skin, install source, Wine.
#include <string>
#include <string_view>

#include "core/modFile.h"
#include "core/modReg.h"
#include "platform/IProcesses.h"
#include "startup/Log.h"
#include "startup/ProcessValues.h"

namespace pankor {

inline constexpr const char* kAutostartValue = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Pankor";

class modProbe {
public:
    modProbe(modReg& reg, modFile& file, IProcesses& processes, const ISystem& system, const IFileSystem& fs,
             const ProcessValues& process, const Log& log) noexcept
        : reg_(reg), file_(file), processes_(processes), system_(system), fs_(fs), process_(process), log_(log) {}

    bool AutostartEnabled() noexcept;
    void SetAutostart(bool on) noexcept;
    std::string AutostartCommand() const;
    void SnapshotProcesses() noexcept;
    bool IsRunning(std::string_view exeFileName) const noexcept;
    bool HasRunEntry(std::string_view valueName) noexcept;
    int DaysSinceCreated(const std::string& folder) const noexcept;
    std::string SkinOf(const std::string& folder) const noexcept;
    std::string InstallSource() noexcept;
    bool IsWine() noexcept;

private:
    modReg& reg_;
    modFile& file_;
    IProcesses& processes_;
    const ISystem& system_;
    const IFileSystem& fs_;
    const ProcessValues& process_;
    const Log& log_;
    std::string running_;  // "|a.exe|b.exe|", lower case; empty before the first snapshot
};

}  // namespace pankor

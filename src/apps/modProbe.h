#pragma once
// Small facts about this machine: autostart, running programs, an app's
// autostart entry, settings-folder age and skin, install source, Wine.
#include <string>
#include <string_view>

namespace pankor {

class Pankor;

inline constexpr const char* kAutostartValue = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Pankor";

class modProbe {
public:
    explicit modProbe(Pankor& app) noexcept : app_(app) {}

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
    Pankor& app_;
    std::string running_;  // "|a.exe|b.exe|", lower case; empty before the first snapshot
};

}  // namespace pankor

#pragma once
// The managed apps on this machine: their settings folders, their
// uninstallers, and the backup and restore of their settings.
#include <string>
#include <string_view>

#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "platform/IEnvironment.h"
#include "platform/IFileSystem.h"
#include "platform/IProcesses.h"
#include "platform/IRegistry.h"
#include "platform/ISystem.h"
#include "platform/host/IFolderPicker.h"
#include "startup/Log.h"

namespace pankor {

// Per-user installers register here; the machine's entries are never looked at.
inline constexpr const char* kUninstallKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Bounds of the uninstall scan: entries looked at, a subkey name's buffer, a value's buffer.
inline constexpr std::size_t kMaxUninstallEntries = 4000;
inline constexpr std::size_t kUninstallNameChars = 512;
inline constexpr std::size_t kUninstallValueChars = 1024;
// Folder levels a settings copy descends; deeper is a loop (a junction or link).
inline constexpr int kMaxCopyDepth = 64;

struct AppsDeps {
    IRegistry& registry;
    IProcesses& processes;
    IFileSystem& fs;
    const IEnvironment& environment;
    const ISystem& system;
    modFile& file;
    const modCatalog& catalog;
    IFolderPicker& folderPicker;
    const Log& log;
};

class modApps {
public:
    explicit modApps(const AppsDeps& deps) noexcept : d_(deps) {}

    // The settings folder's name of app record index: exe's first part, or the
    // record's name when exe has no folder.
    std::string AppFolderName(int index) const noexcept;
    // The "UninstallString" of the first per-user uninstall entry whose
    // display name starts with displayName (letter case aside), as stored; "".
    std::string FindUninstaller(const std::string& displayName) noexcept;
    // Starts that uninstaller with a normal window, without waiting.
    bool UninstallApp(const std::string& name) noexcept;

    std::string PickFolder(const std::string& prompt) noexcept;
    // Copies the files of source below target, folders included, leaving out
    // programs and logs; adds the number of files copied to counter.
    void CopyTree(const std::string& source, const std::string& target, int& counter) noexcept;
    // A new "Pankor-backup-yyyy-mm-dd-hhnn" folder in root with each app's
    // settings (games left out); its path, or "" when no file was copied.
    std::string BackupConfig(const std::string& root) noexcept;
    // Copies each sub-folder of folder over the same-named folder under
    // APPDATA; the number of files copied.
    int RestoreConfig(const std::string& folder) noexcept;

private:
    void CopyLevel(const std::string& source, const std::string& target, int& counter, int depth);
    std::string AppData() const;

    AppsDeps d_;
};

// True for the files a settings copy leaves out: extensions exe, dll, ocx,
// tlb and log in any letter case (a name without a dot is its own extension).
bool IsSkippedFile(std::string_view fileName);
// "yyyy-mm-dd-hhnn".
std::string BackupStamp(const DateTime& when);

}  // namespace pankor

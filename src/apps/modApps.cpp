#include "apps/modApps.h"

#include <algorithm>
#include <vector>

#include "base/Guard.h"
#include "base/Paths.h"
#include "base/Text.h"

namespace pankor {

namespace {

// A folder name that stays where it is put: not empty, not "." or "..", no
// separator or drive. Anything else would copy some other folder entirely.
bool IsPlainFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

std::vector<FolderEntry> SortedEntries(std::vector<FolderEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return LowerAscii(a.name) < LowerAscii(b.name);
    });
    return entries;
}

}  // namespace

bool IsSkippedFile(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::string ext = LowerAscii(dot == std::string_view::npos ? fileName : fileName.substr(dot + 1));
    return ext == "exe" || ext == "dll" || ext == "ocx" || ext == "tlb" || ext == "log";
}

std::string BackupStamp(const DateTime& when) {
    return Pad4(when.year) + "-" + Pad2(when.month) + "-" + Pad2(when.day) + "-" + Pad2(when.hour) + Pad2(when.minute);
}

std::string modApps::AppData() const { return d_.environment.Get("APPDATA").value_or(""); }

std::string modApps::AppFolderName(int index) const noexcept {
    return GuardedOr(
        std::string(),
        [&]() -> std::string {
            if (index < 0 || index >= d_.catalog.AppCount) return {};
            const CatalogApp& app = d_.catalog.Apps[static_cast<std::size_t>(index)];
            const std::size_t slash = app.exe.find('\\');
            return slash == std::string::npos ? app.name : app.exe.substr(0, slash);
        },
        [](const std::string&) {});
}

std::string modApps::FindUninstaller(const std::string& displayName) noexcept {
    // Every failure means "no uninstaller"; the caller logs the outcome.
    return GuardedOr(
        std::string(),
        [&]() -> std::string {
            if (displayName.empty()) return {};
            const Result<std::vector<std::string>> entries =
                d_.registry.SubkeyNames(kUninstallKey, kMaxUninstallEntries, kUninstallNameChars);
            if (!entries.ok()) return {};
            for (const std::string& entry : *entries) {
                const std::string key = std::string(kUninstallKey) + "\\" + entry;
                const Result<std::string> shown = d_.registry.ReadLimited(key + "\\DisplayName", kUninstallValueChars);
                if (!shown.ok() || !StartsWithNoCase(*shown, displayName)) continue;
                Result<std::string> command = d_.registry.ReadLimited(key + "\\UninstallString", kUninstallValueChars);
                if (command.ok()) return std::move(*command);
            }
            return {};
        },
        [](const std::string&) {});
}

bool modApps::UninstallApp(const std::string& name) noexcept {
    return d_.log.Guard("UninstallApp error: ", false, [&] {
        const std::string command = FindUninstaller(name);
        if (command.empty()) {
            d_.log.DebugLog("no uninstaller found for " + name);
            return false;
        }
        d_.log.DebugLog("uninstall " + name + " -> " + command);
        // Not waited for: the watch of the rows follows its effect.
        const Result<std::unique_ptr<IProcess>> started = d_.processes.Start(command, false);
        if (!started.ok()) {
            d_.log.DebugLog("UninstallApp error: " + started.error());
            return false;
        }
        return true;
    });
}

std::string modApps::PickFolder(const std::string& prompt) noexcept { return d_.folderPicker.PickFolder(prompt); }

void modApps::CopyTree(const std::string& source, const std::string& target, int& counter) noexcept {
    // A file that cannot be copied is simply not counted; nothing is logged.
    Guarded([&] { CopyLevel(source, target, counter, 0); }, [](const std::string&) {});
}

void modApps::CopyLevel(const std::string& source, const std::string& target, int& counter, int depth) {
    if (!d_.file.DirExists(source)) return;
    d_.file.EnsureFolder(target);
    const Result<std::vector<FolderEntry>> listed = d_.fs.ListFolder(source);
    if (!listed.ok()) return;
    const std::vector<FolderEntry> entries = SortedEntries(*listed);
    const char sep = d_.fs.Separator();
    for (const FolderEntry& e : entries)
        if (!e.isFolder && !IsSkippedFile(e.name) &&
            d_.fs.CopyFile(JoinPath(source, e.name, sep), JoinPath(target, e.name, sep)).ok())
            ++counter;
    if (depth >= kMaxCopyDepth) return;
    for (const FolderEntry& e : entries) {
        if (!e.isFolder) continue;
        const std::string from = JoinPath(source, e.name, sep);
        // A backup placed inside the folder it copies is not copied into itself.
        if ((target + sep).rfind(from + sep, 0) == 0) continue;
        CopyLevel(from, JoinPath(target, e.name, sep), counter, depth + 1);
    }
}

std::string modApps::BackupConfig(const std::string& root) noexcept {
    return d_.log.Guard("BackupConfig error: ", std::string(), [&]() -> std::string {
        const char sep = d_.fs.Separator();
        const std::string dest = JoinPath(root, "Pankor-backup-" + BackupStamp(d_.system.LocalNow()), sep);
        d_.file.EnsureFolder(root);
        d_.file.EnsureFolder(dest);
        const std::string appData = AppData();
        int counter = 0;
        for (int i = 0; i < d_.catalog.AppCount; ++i) {
            const CatalogApp& app = d_.catalog.Apps[static_cast<std::size_t>(i)];
            if (app.kind == "game") continue;  // games are never backed up
            const std::string name = AppFolderName(i);
            if (!IsPlainFolderName(name)) {
                d_.log.DebugLog("backup skipped " + app.slug + ": \"" + name + "\" is not a plain folder name");
                continue;
            }
            CopyTree(JoinPath(appData, name, sep), JoinPath(dest, name, sep), counter);
        }
        d_.log.DebugLog("backup wrote " + std::to_string(counter) + " file(s) to " + dest);
        return counter < 1 ? std::string() : dest;
    });
}

int modApps::RestoreConfig(const std::string& folder) noexcept {
    return d_.log.Guard("RestoreConfig error: ", 0, [&] {
        if (!d_.file.DirExists(folder)) return 0;
        const char sep = d_.fs.Separator();
        const std::string appData = AppData();
        int counter = 0;
        // Any folder picked is taken as a backup: each sub-folder is one app's.
        const Result<std::vector<FolderEntry>> listed = d_.fs.ListFolder(folder);
        if (listed.ok())
            for (const FolderEntry& e : SortedEntries(*listed))
                if (e.isFolder) CopyTree(JoinPath(folder, e.name, sep), JoinPath(appData, e.name, sep), counter);
        d_.log.DebugLog("restore copied " + std::to_string(counter) + " file(s) from " + folder);
        return counter;
    });
}

}  // namespace pankor

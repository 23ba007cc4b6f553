#include "core/modFile.h"

#include "base/Paths.h"
#include "base/TempFiles.h"
#include "base/Text.h"

namespace pankor {

namespace {
bool IsCommentOrSection(std::string_view trimmed) {
    return !trimmed.empty() && (trimmed.front() == '[' || trimmed.front() == ';' || trimmed.front() == '\'');
}
}  // namespace

bool modFile::FileExists(const std::string& path) const noexcept {
    if (path.empty()) return false;
    const FileAttributes a = fs_.Attributes(path);
    return a.exists && !a.isFolder;
}

bool modFile::DirExists(const std::string& path) const noexcept {
    if (path.empty()) return false;
    const FileAttributes a = fs_.Attributes(path);
    return a.exists && a.isFolder;
}

void modFile::EnsureFolder(const std::string& path) noexcept {
    if (path.empty() || DirExists(path)) return;
    (void)fs_.CreateFolder(path);  // one level only; a failure shows up at the next write
}

DateTime modFile::DirCreated(const std::string& path) const noexcept {
    if (!DirExists(path)) return {};
    return fs_.FolderCreated(path).value_or(DateTime{});
}

void modFile::WriteTextFile(const std::string& path, std::string_view text) noexcept {
    const auto failed = [&](const std::string& why) { return "WriteTextFile failed " + path + ": " + why; };
    log_.Guard(failed, [&] {
        const Status s = fs_.ReplaceFile(path, system_.ToNativeText(std::string(text)));
        if (!s.ok()) log_.DebugLog(failed(s.error()));
    });
}

Result<std::string> modFile::ReadTextFile(const std::string& path) const noexcept {
    try {
        const Result<Bytes> read = fs_.ReadFile(path);
        if (!read.ok()) return Result<std::string>::From(read.status());
        return Result<std::string>::Of(system_.FromNativeText(std::string(read->begin(), read->end())));
    } catch (...) {
        return Result<std::string>::Fail(DescribeException(std::current_exception()));
    }
}

std::string modFile::IniRead(const std::string& path, std::string_view key,
                             const std::string& defaultValue) const noexcept {
    return log_.Guard("IniRead failed: ", defaultValue, [&] {
        if (!FileExists(path)) return defaultValue;
        const Result<std::string> text = ReadTextFile(path);
        return text.ok() ? IniLookup(*text, key).value_or(defaultValue) : defaultValue;
    });
}

void modFile::IniWrite(const std::string& path, std::string_view key, std::string_view value) noexcept {
    log_.Guard([&](const std::string& why) { return "IniWrite failed " + path + ": " + why; },
               [&] {
                   std::string text;
                   if (FileExists(path)) {
                       Result<std::string> read = ReadTextFile(path);
                       // Rewriting a file we could not read would wipe every other key.
                       if (!read.ok()) {
                           log_.DebugLog("IniWrite refused " + path + ": cannot read it (" + read.error() + ")");
                           return;
                       }
                       text = std::move(*read);
                   }
                   EnsureFolder(ParentFolderOf(path));
                   WriteTextFile(path, IniRewrite(text, key, value));
               });
}

void modFile::RemoveLeftoverTempFiles(const std::string& folder) noexcept {
    log_.Guard("RemoveLeftoverTempFiles failed: ", [&] {
        const Result<std::vector<FolderEntry>> entries = fs_.ListFolder(folder);
        if (!entries.ok()) return;
        const std::int64_t now = system_.UtcNow();
        for (const FolderEntry& e : *entries)
            if (!e.isFolder && IsTempFileName(e.name) && now - e.modifiedUtc > kTempLeftoverSeconds)
                (void)fs_.DeleteFile(JoinPath(folder, e.name, fs_.Separator()));  // quiet: the next start tries again
    });
}

std::optional<std::string> IniLookup(std::string_view text, std::string_view key) {
    for (std::string_view line : SplitLines(text)) {
        line = TrimSpaces(line);
        if (line.empty() || IsCommentOrSection(line)) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        if (EqualsNoCase(TrimSpaces(line.substr(0, eq)), key)) return std::string(TrimSpaces(line.substr(eq + 1)));
    }
    return std::nullopt;
}

std::string IniRewrite(std::string_view text, std::string_view key, std::string_view value) {
    const std::string entry = std::string(key) + "=" + std::string(value) + "\r\n";
    std::string out;
    bool found = false;
    for (std::string_view line : SplitLines(text)) {
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.empty()) continue;  // blank lines are dropped
        const std::size_t eq = line.find('=');
        const bool matches = trimmed.front() != '[' && eq != std::string_view::npos && eq > 0 &&
                             EqualsNoCase(TrimSpaces(line.substr(0, eq)), key);
        if (matches) {
            out += entry;
            found = true;
        } else {
            out += line;
            out += "\r\n";
        }
    }
    if (!found) out += entry;
    return out;
}

}  // namespace pankor

#include "core/modFile.h"

#include "core/Text.h"
#include "startup/Pankor.h"

namespace pankor {

namespace {
bool IsCommentOrSection(std::string_view trimmed) {
    return !trimmed.empty() && (trimmed.front() == '[' || trimmed.front() == ';' || trimmed.front() == '\'');
}
}  // namespace

bool modFile::FileExists(const std::string& path) const noexcept {
    if (path.empty()) return false;
    const FileAttributes a = app_.platform.fs.Attributes(path);
    return a.exists && !a.isFolder;
}

bool modFile::DirExists(const std::string& path) const noexcept {
    if (path.empty()) return false;
    const FileAttributes a = app_.platform.fs.Attributes(path);
    return a.exists && a.isFolder;
}

void modFile::EnsureFolder(const std::string& path) noexcept {
    if (path.empty() || DirExists(path)) return;
    app_.platform.fs.CreateFolder(path);  // one level only; a failure shows up at the next write
}

DateTime modFile::DirCreated(const std::string& path) const noexcept {
    if (!DirExists(path)) return {};
    return app_.platform.fs.FolderCreated(path).value_or(DateTime{});
}

void modFile::WriteTextFile(const std::string& path, std::string_view text) noexcept {
    try {
        const Status s = app_.platform.fs.ReplaceFile(path, app_.platform.system.ToNativeText(std::string(text)));
        if (!s.ok) app_.main.DebugLog("WriteTextFile failed " + path + ": " + s.error);
    } catch (...) {
        app_.main.DebugLog("WriteTextFile failed " + path + ": out of memory");
    }
}

std::string modFile::ParentFolder(const std::string& path) const {
    const std::size_t p = path.find_last_of(std::string("/") + app_.platform.fs.Separator());
    return p == std::string::npos ? std::string() : path.substr(0, p);
}

std::string modFile::IniRead(const std::string& path, std::string_view key,
                             const std::string& defaultValue) const noexcept {
    try {
        if (!FileExists(path)) return defaultValue;
        const Result<Bytes> read = app_.platform.fs.ReadFile(path);
        if (!read.ok()) return defaultValue;
        const std::string text =
            app_.platform.system.FromNativeText(std::string(read.value->begin(), read.value->end()));
        return IniLookup(text, key).value_or(defaultValue);
    } catch (...) {
        return defaultValue;
    }
}

void modFile::IniWrite(const std::string& path, std::string_view key, std::string_view value) noexcept {
    try {
        std::string text;
        if (FileExists(path)) {
            const Result<Bytes> read = app_.platform.fs.ReadFile(path);
            if (read.ok())
                text = app_.platform.system.FromNativeText(std::string(read.value->begin(), read.value->end()));
        }
        EnsureFolder(ParentFolder(path));
        WriteTextFile(path, IniRewrite(text, key, value));
    } catch (...) {
        app_.main.DebugLog("WriteTextFile failed " + path + ": out of memory");
    }
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

#pragma once
// In-memory platform for unit tests of the core: a settable clock and command
// line, and a registry and a file system held in maps, each able to fail on demand.
#include <functional>
#include <map>
#include <set>
#include <string>

#include "FakeCrypto.h"
#include "FakeMachine.h"
#include "Quiet.h"
#include "base/Text.h"
#include "platform/Platform.h"

namespace pankor::fakes {

class FakeSystem : public ISystem {
public:
    std::string commandLine;
    std::string executablePath = "C:\\Apps\\Pankor\\Pankor.exe";
    DateTime now{2031, 5, 6, 14, 3, 27};
    mutable std::int64_t monotonicMs = 5000000;  // moved on by sleeps and by the fake message pump
    int dpi = 96;
    PixelSize desktop{1920, 1080};
    std::string osVersion = "10.0.19045";
    bool dpiAwareCalled = false;
    int allowForegroundCalls = 0;

    std::string CommandLine() const noexcept override { return QuietCopy(commandLine); }
    std::string ExecutablePath() const noexcept override { return QuietCopy(executablePath); }
    DateTime LocalNow() const noexcept override { return now; }
    std::int64_t UtcNow() const noexcept override { return now.SerialSeconds(); }  // UTC here
    std::int64_t MonotonicMs() const noexcept override { return monotonicMs; }
    void SleepMs(int milliseconds) const noexcept override { monotonicMs += milliseconds > 0 ? milliseconds : 0; }
    int ScreenDpi() const noexcept override { return dpi; }
    PixelSize DesktopSize() const noexcept override { return desktop; }
    std::string OsVersion() const noexcept override { return osVersion; }
    bool DeclareDpiAware() noexcept override { return dpiAwareCalled = true; }
    void AllowAnyForeground() noexcept override { ++allowForegroundCalls; }
    std::string ToNativeText(const std::string& utf8) const noexcept override { return QuietCopy(utf8); }
    std::string FromNativeText(const std::string& native) const noexcept override { return QuietCopy(native); }
};

class FakeEnvironment : public IEnvironment {
public:
    std::map<std::string, std::string> vars{{"APPDATA", "C:\\Users\\ann\\AppData\\Roaming"},
                                            {"TEMP", "C:\\Users\\ann\\AppData\\Local\\Temp"}};
    std::optional<std::string> Get(const std::string& name) const noexcept override {
        return vars.count(name) ? std::optional(vars.at(name)) : std::nullopt;
    }
};

class FakeRegistry : public IRegistry {
public:
    std::map<std::string, std::string> values;  // lower-cased path, short root ("hkcu\\...") -> text
    bool failWrites = false;

    Result<std::string> Read(const std::string& path) noexcept override {
        const auto key = Key(path);
        if (!key) return Result<std::string>::Fail(BadPath(path));
        const auto it = values.find(*key);
        if (it == values.end()) return Result<std::string>::Fail("The system cannot find the file specified.");
        return Result<std::string>::Of(it->second);
    }
    bool Exists(const std::string& path) noexcept override {
        const auto key = Key(path);
        return key && values.count(*key) != 0;
    }
    Status WriteString(const std::string& path, const std::string& value) noexcept override {
        const Quiet quiet;
        const auto key = Key(path);
        if (!key) return Status::Fail(BadPath(path));
        if (failWrites) return Status::Fail("Access is denied.");
        values[*key] = value;
        return Status::Ok();
    }
    Status WriteDword(const std::string& path, std::int32_t value) noexcept override {
        return WriteString(path, std::to_string(value));
    }
    Status Remove(const std::string& path) noexcept override {
        const auto key = Key(path);
        if (!key) return Status::Fail(BadPath(path));
        return values.erase(*key) ? Status::Ok() : Status::Fail("The system cannot find the file specified.");
    }
    // Subkeys (lower case, sorted) are the next parts of the value paths below the key.
    Result<std::vector<std::string>> SubkeyNames(const std::string& keyPath, std::size_t maxCount,
                                                 std::size_t maxNameChars) noexcept override {
        const auto root = Key(keyPath + "\\");
        if (!root) return Result<std::vector<std::string>>::Fail(BadPath(keyPath));
        const std::string& key = *root;
        bool exists = false;
        std::set<std::string> names;
        for (const auto& [path, value] : values) {
            if (path.compare(0, key.size(), key) != 0) continue;
            exists = true;
            const std::size_t end = path.find('\\', key.size());
            if (end != std::string::npos) names.insert(path.substr(key.size(), end - key.size()));
        }
        if (!exists) return Result<std::vector<std::string>>::Fail("The system cannot find the file specified.");
        std::vector<std::string> out;
        for (auto it = names.begin(); it != names.end() && out.size() < maxCount && it->size() < maxNameChars; ++it)
            out.push_back(*it);
        return Result<std::vector<std::string>>::Of(std::move(out));
    }
    Result<std::string> ReadLimited(const std::string& path, std::size_t maxChars) noexcept override {
        Result<std::string> value = Read(path);
        if (!value.ok()) return value;
        if (value->size() >= maxChars) return Result<std::string>::Fail("More data is available.");
        std::erase(*value, '\0');
        return value;
    }

private:
    // As the registry names values: any spelling of a root, any case; a NUL
    // would end the name early, so such a path names nothing.
    static std::optional<std::string> Key(const std::string& path) {
        static const std::pair<const char*, const char*> kRoots[] = {{"hkey_current_user", "hkcu"},
                                                                     {"hkey_local_machine", "hklm"},
                                                                     {"hkey_classes_root", "hkcr"},
                                                                     {"hkey_users", "hku"},
                                                                     {"hkey_current_config", "hkcc"}};
        const std::string lower = LowerAscii(path);
        const std::size_t slash = lower.find('\\');
        if (slash == std::string::npos || lower.find('\0') != std::string::npos) return std::nullopt;
        for (const auto& [longName, shortName] : kRoots)
            if (lower.compare(0, slash, longName) == 0 || lower.compare(0, slash, shortName) == 0)
                return shortName + lower.substr(slash);
        return std::nullopt;
    }
    static std::string BadPath(const std::string& path) { return "invalid root in registry path \"" + path + "\""; }
};

// Paths are kept as given, with '\' as the separator. With a clock, writes
// and new folders are dated as a file system would date them.
class FakeFileSystem : public IFileSystem {
public:
    explicit FakeFileSystem(const FakeSystem* clock = nullptr) : clock_(clock) {}

    std::map<std::string, std::string> files;
    std::set<std::string> folders{"C:", "C:\\Users\\ann\\AppData\\Roaming"};
    std::map<std::string, DateTime> created;
    std::map<std::string, std::int64_t> modified;        // UTC seconds; 0 when not set
    std::set<std::string> lockedFiles;                   // reads and writes of these fail
    std::set<std::string> undeletable;                   // deleting these fails
    std::function<void(const std::string&)> afterWrite;  // runs after each whole-file write

    std::string Parent(const std::string& path) const {
        const std::size_t p = path.rfind('\\');
        return p == std::string::npos ? std::string() : path.substr(0, p);
    }

    char Separator() const noexcept override { return '\\'; }
    FileAttributes Attributes(const std::string& path) const noexcept override {
        if (files.count(path)) return {true, false};
        if (folders.count(path)) return {true, true};
        return {};
    }
    Status CreateFolder(const std::string& path) noexcept override {
        if (Attributes(path).exists) return Status::Fail("Cannot create a file when that file already exists.");
        if (!CanCreate(path)) return Status::Fail("Path not found");
        folders.insert(path);
        if (clock_) created[path] = clock_->LocalNow();
        Touch(path);
        return Status::Ok();
    }
    Result<DateTime> FolderCreated(const std::string& path) const noexcept override {
        return created.count(path) ? Result<DateTime>::Of(created.at(path)) : Result<DateTime>::Fail("Path not found");
    }
    Result<std::vector<FolderEntry>> ListFolder(const std::string& given) const noexcept override {
        const std::string path = !given.empty() && given.back() == '\\' ? given.substr(0, given.size() - 1) : given;
        if (!folders.count(path)) return Result<std::vector<FolderEntry>>::Fail("Path not found");
        std::vector<FolderEntry> out;
        const auto add = [&](const std::string& full, bool isFolder) {
            if (Parent(full) != path) return;
            out.push_back({full.substr(path.size() + 1), isFolder, modified.count(full) ? modified.at(full) : 0});
        };
        for (const auto& [full, data] : files) add(full, false);
        for (const std::string& full : folders) add(full, true);
        return Result<std::vector<FolderEntry>>::Of(std::move(out));
    }
    Result<Bytes> ReadFile(const std::string& path) const noexcept override {
        const auto it = files.find(path);
        if (it == files.end() || lockedFiles.count(path)) return Result<Bytes>::Fail("File not found");
        return Result<Bytes>::Of(Bytes(it->second.begin(), it->second.end()));
    }
    Status ReplaceFile(const std::string& path, std::string_view data) noexcept override {
        if (!CanCreate(path)) return Status::Fail("Path not found");
        if (lockedFiles.count(path)) return Status::Fail("Permission denied");
        files[path] = std::string(data);
        Touch(path);
        if (afterWrite) afterWrite(path);
        return Status::Ok();
    }
    Status CopyFile(const std::string& from, const std::string& to) noexcept override {
        const auto it = files.find(from);
        if (it == files.end() || lockedFiles.count(from)) return Status::Fail("File not found");
        return ReplaceFile(to, it->second);
    }
    Status AppendFile(const std::string& path, const std::string& data) noexcept override {
        const Quiet quiet;
        if (!CanCreate(path) || lockedFiles.count(path)) return Status::Fail("Path not found");
        files[path] += data;
        Touch(path);
        return Status::Ok();
    }
    Status DeleteFile(const std::string& path) noexcept override {
        if (undeletable.count(path)) return Status::Fail("Access is denied.");
        return files.erase(path) ? Status::Ok() : Status::Fail("File not found");
    }

private:
    // A file may be made inside a folder, not over one, and not under a name
    // a NUL would cut short.
    bool CanCreate(const std::string& path) const {
        return folders.count(Parent(path)) && !folders.count(path) && path.find('\0') == std::string::npos;
    }
    void Touch(const std::string& path) {
        if (clock_) modified[path] = clock_->UtcNow();
    }
    const FakeSystem* clock_;
};

class FakeVersionResource : public IVersionResource {
public:
    std::map<std::string, FixedFileVersion> versions;
    Result<FixedFileVersion> Read(const std::string& path) const noexcept override {
        if (!versions.count(path)) return Result<FixedFileVersion>::Fail("no version resource");
        return Result<FixedFileVersion>::Of(versions.at(path));
    }
};

class FakeInstanceLock : public IInstanceLock {
public:
    Result<bool> next = Result<bool>::Of(true);
    std::string askedFor;
    Result<bool> Acquire(const std::string& name) noexcept override {
        askedFor = name;
        return next;
    }
};

struct FakePlatform {
    FakeSystem system;
    FakeEnvironment environment;
    FakeRegistry registry;
    FakeFileSystem fs{&system};
    FakeVersionResource versions;
    FakeInstanceLock instanceLock;
    FakeCrypto crypto;
    FakeHttp http;
    FakeProcesses processes;
    FakeIcons icons;
    std::unique_ptr<Platform> wired = WirePlatform(*this);
    Platform& platform = *wired;
};

}  // namespace pankor::fakes

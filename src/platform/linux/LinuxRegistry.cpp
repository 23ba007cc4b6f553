#include "platform/linux/LinuxRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "base/Text.h"
#include "platform/linux/LinuxEnvironment.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/PosixError.h"
#include "platform/linux/UniqueFd.h"

namespace pankor {

namespace {

struct StoredValue {
    std::string path;  // as first written
    std::string type;  // REG_SZ or REG_DWORD
    std::string value;
};
using Store = std::map<std::string, StoredValue>;  // normalised path -> value

// One line per value: type TAB path TAB value, with \, TAB, CR, LF escaped.
std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char e = s[++i];
        out += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
    }
    return out;
}

// "HKEY_CURRENT_USER\A\B" and "hkcu\a\b" name the same value; nothing for a
// path whose root is not a registry root.
std::optional<std::string> Normalise(const std::string& path) {
    static const std::pair<const char*, const char*> kRoots[] = {{"HKEY_CURRENT_USER", "HKCU"},
                                                                 {"HKEY_LOCAL_MACHINE", "HKLM"},
                                                                 {"HKEY_CLASSES_ROOT", "HKCR"},
                                                                 {"HKEY_USERS", "HKU"},
                                                                 {"HKEY_CURRENT_CONFIG", "HKCC"}};
    const std::size_t slash = path.find('\\');
    if (slash == std::string::npos) return std::nullopt;
    const std::string root = path.substr(0, slash);
    for (const auto& [longName, shortName] : kRoots)
        if (EqualsNoCase(root, longName) || EqualsNoCase(root, shortName))
            return LowerAscii(std::string(shortName) + path.substr(slash));
    return std::nullopt;
}

Store Load(const std::string& file) {
    Store store;
    const UniqueFd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return store;
    std::string text;
    char buf[8192];
    ssize_t n;
    while ((n = read(fd.Get(), buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    for (std::string_view line : SplitLines(text)) {
        const std::size_t t1 = line.find('\t');
        const std::size_t t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 == std::string_view::npos) continue;
        StoredValue v{Unescape(line.substr(t1 + 1, t2 - t1 - 1)), std::string(line.substr(0, t1)),
                      Unescape(line.substr(t2 + 1))};
        if (auto key = Normalise(v.path)) store[*key] = std::move(v);
    }
    return store;
}

Status Save(const std::string& file, const Store& store) {
    std::string text;
    for (const auto& [key, v] : store) text += v.type + "\t" + Escape(v.path) + "\t" + Escape(v.value) + "\n";
    return ReplaceFileAtomically(file, text);
}

// Serialises read-modify-write cycles of several processes.
class StoreLock {
public:
    explicit StoreLock(const std::string& file)
        : fd_(open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_) flock(fd_.Get(), LOCK_EX);  // released when the descriptor closes
    }

private:
    UniqueFd fd_;
};

// Windows keeps the user's locale as a registry value; here the locale comes
// from the environment, written the Windows way ("de_DE.UTF-8" is "de-DE").
constexpr const char* kLocaleValue = "hkcu\\control panel\\international\\localename";

std::optional<std::string> LocaleFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        std::string locale(value);
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale.empty() || locale == "C" || locale == "POSIX") return std::nullopt;
        std::replace(locale.begin(), locale.end(), '_', '-');
        return locale;
    }
    return std::nullopt;
}

std::string InvalidRoot(const std::string& path) { return "Invalid root in registry key \"" + path + "\"."; }

}  // namespace

LinuxRegistry::LinuxRegistry(std::string storePath, std::string autostartFolder)
    : store_(std::move(storePath)), autostart_(std::move(autostartFolder)) {}

std::string LinuxRegistry::DefaultStorePath() { return ConfigHome() + "/pankor-registry/registry.txt"; }
std::string LinuxRegistry::DefaultAutostartFolder() { return ConfigHome() + "/autostart"; }

void LinuxRegistry::MirrorAutostart(const std::string& key, const std::string* command) noexcept {
    try {
        if (key != "hkcu\\software\\microsoft\\windows\\currentversion\\run\\pankor" || autostart_.empty()) return;
        const std::string file = autostart_ + "/pankor.desktop";
        if (command == nullptr) {
            unlink(file.c_str());
            return;
        }
        std::string exec;  // the desktop entry's own escapes
        for (char c : *command) {
            if (c == '\\' || c == '$' || c == '`') exec += '\\';
            exec += c;
        }
        mkdir(autostart_.c_str(), 0700);
        // The desktop entry is a courtesy copy: the registry value stays the truth.
        (void)ReplaceFileAtomically(file, "[Desktop Entry]\nType=Application\nName=Pankor\nExec=" + exec +
                                              "\nX-GNOME-Autostart-enabled=true\n");
    } catch (...) {
        // Out of memory while mirroring: the registry value itself was written.
    }
}

Result<std::string> LinuxRegistry::Read(const std::string& path) noexcept {
    try {
        const auto key = Normalise(path);
        if (!key) return Result<std::string>::Fail(InvalidRoot(path));
        const Store store = Load(store_);
        const auto it = store.find(*key);
        if (it == store.end()) {
            if (*key == kLocaleValue)
                if (auto locale = LocaleFromEnvironment()) return Result<std::string>::Of(std::move(*locale));
            return Result<std::string>::Fail("Unable to open registry key \"" + path + "\" for reading.");
        }
        return Result<std::string>::Of(it->second.value);
    } catch (...) {
        return Result<std::string>::Fail("out of memory");
    }
}

bool LinuxRegistry::Exists(const std::string& path) noexcept { return Read(path).ok(); }

Result<std::vector<std::string>> LinuxRegistry::SubkeyNames(const std::string& keyPath, std::size_t maxCount,
                                                            std::size_t maxNameChars) noexcept {
    using R = Result<std::vector<std::string>>;
    try {
        std::string trimmed = keyPath;
        while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
        const auto key = Normalise(trimmed + "\\");  // the key's own default value names it
        if (!key) return R::Fail(InvalidRoot(keyPath));
        const std::size_t depth = static_cast<std::size_t>(std::count(trimmed.begin(), trimmed.end(), '\\')) + 1;

        // Every value below the key names one subkey by the part after the key.
        bool keyExists = false;
        std::map<std::string, std::string> names;  // lower case -> as first written
        for (const auto& [normalised, v] : Load(store_)) {
            if (normalised.compare(0, key->size(), *key) != 0) continue;
            keyExists = true;
            const std::size_t below = normalised.find('\\', key->size());
            if (below == std::string::npos) continue;  // a value of the key itself
            std::size_t start = 0;
            for (std::size_t level = 0; level < depth; ++level) start = v.path.find('\\', start) + 1;
            const std::string name = v.path.substr(start, v.path.find('\\', start) - start);
            names.emplace(LowerAscii(name), name);
        }
        if (!keyExists) return R::Fail("Unable to open registry key \"" + keyPath + "\" for reading.");
        std::vector<std::string> out;
        for (const auto& [lower, name] : names) {
            if (out.size() == maxCount || name.size() >= maxNameChars) break;
            out.push_back(name);
        }
        return R::Of(std::move(out));
    } catch (...) {
        return R::Fail("out of memory");
    }
}

Result<std::string> LinuxRegistry::ReadLimited(const std::string& path, std::size_t maxChars) noexcept {
    try {
        Result<std::string> value = Read(path);
        if (!value.ok()) return value;
        if (value->size() >= maxChars) return Result<std::string>::Fail("More data is available.");
        std::string text = std::move(*value);
        text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
        return Result<std::string>::Of(std::move(text));
    } catch (...) {
        return Result<std::string>::Fail("out of memory");
    }
}

Status LinuxRegistry::Write(const std::string& path, const std::string& type, const std::string& value) noexcept {
    try {
        const auto key = Normalise(path);
        if (!key) return Status::Fail(InvalidRoot(path));
        // Create the store's folders on first write (~/.config may be missing too).
        for (std::size_t p = store_.find('/', 1); p != std::string::npos; p = store_.find('/', p + 1))
            mkdir(store_.substr(0, p).c_str(), 0700);
        StoreLock lock(store_);
        Store store = Load(store_);
        store[*key] = {path, type, value};
        Status saved = Save(store_, store);
        if (saved.ok()) MirrorAutostart(*key, &value);
        return saved;
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

Status LinuxRegistry::WriteString(const std::string& path, const std::string& value) noexcept {
    return Write(path, "REG_SZ", value);
}

Status LinuxRegistry::WriteDword(const std::string& path, std::int32_t value) noexcept {
    return Write(path, "REG_DWORD", std::to_string(value));
}

Status LinuxRegistry::Remove(const std::string& path) noexcept {
    try {
        const auto key = Normalise(path);
        if (!key) return Status::Fail(InvalidRoot(path));
        StoreLock lock(store_);
        Store store = Load(store_);
        if (store.erase(*key) == 0) return Status::Fail("Unable to remove registry key \"" + path + "\".");
        Status saved = Save(store_, store);
        if (saved.ok()) MirrorAutostart(*key, nullptr);
        return saved;
    } catch (...) {
        return Status::Fail("out of memory");
    }
}

}  // namespace pankor

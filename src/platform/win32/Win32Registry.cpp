#include "platform/win32/Win32Registry.h"

#include <cstring>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace pankor {

using win32::ErrorText;

namespace {

class KeyHandle {
public:
    KeyHandle() = default;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        if (key_) RegCloseKey(key_);
    }
    HKEY* Out() noexcept { return &key_; }
    HKEY Get() const noexcept { return key_; }

private:
    HKEY key_ = nullptr;
};

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

HKEY RootByName(std::string_view name) noexcept {
    struct Root {
        const char* shortName;
        const char* longName;
        HKEY key;
    };
    static const Root kRoots[] = {
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER}, {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}, {"HKU", "HKEY_USERS", HKEY_USERS},
        {"HKCC", "HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const Root& r : kRoots)
        if (EqualsAsciiNoCase(name, r.shortName) || EqualsAsciiNoCase(name, r.longName)) return r.key;
    return nullptr;
}

template <typename T>
Result<T> Fail(std::string why) noexcept {
    try {
        return Result<T>::Fail(std::move(why));
    } catch (...) {
        return {};
    }
}

}  // namespace

Result<RegistryPath> ParseRegistryPath(const std::string& path) noexcept {
    try {
        const std::size_t firstSlash = path.find('\\');
        if (firstSlash == std::string::npos) return Fail<RegistryPath>("not a registry value path: \"" + path + "\"");
        RegistryPath parsed;
        parsed.root = RootByName(std::string_view(path).substr(0, firstSlash));
        if (!parsed.root) return Fail<RegistryPath>("invalid root in registry path \"" + path + "\"");

        const std::size_t lastSlash = path.rfind('\\');
        const std::string key = lastSlash > firstSlash ? path.substr(firstSlash + 1, lastSlash - firstSlash - 1) : "";
        const std::optional<std::wstring> wideKey = win32::WidePath(key);
        const std::optional<std::wstring> wideValue = win32::WidePath(std::string_view(path).substr(lastSlash + 1));
        if (!wideKey || !wideValue) return Fail<RegistryPath>("unusable registry path \"" + path + "\"");
        parsed.key = *wideKey;
        parsed.value = *wideValue;
        return Result<RegistryPath>::Of(std::move(parsed));
    } catch (...) {
        return Fail<RegistryPath>("out of memory");
    }
}

Result<std::string> Win32Registry::Read(const std::string& path) noexcept {
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return Result<std::string>::Fail(p.error);

        KeyHandle key;
        LSTATUS s = RegOpenKeyExW(p.value->root, p.value->key.c_str(), 0, KEY_QUERY_VALUE, key.Out());
        if (s != ERROR_SUCCESS) return Result<std::string>::Fail(ErrorText(static_cast<DWORD>(s)));

        // The value may grow between the size query and the read: retry a few times.
        std::vector<BYTE> data;
        DWORD type = REG_NONE;
        DWORD size = 0;
        s = RegQueryValueExW(key.Get(), p.value->value.c_str(), nullptr, &type, nullptr, &size);
        for (int attempt = 0; s == ERROR_SUCCESS || s == ERROR_MORE_DATA; ++attempt) {
            if (attempt == 4) return Result<std::string>::Fail(ErrorText(ERROR_MORE_DATA));
            data.assign(static_cast<std::size_t>(size) + sizeof(wchar_t), 0);  // room for a missing NUL
            size = static_cast<DWORD>(data.size());
            s = RegQueryValueExW(key.Get(), p.value->value.c_str(), nullptr, &type, data.data(), &size);
            if (s == ERROR_SUCCESS) break;
        }
        if (s != ERROR_SUCCESS) return Result<std::string>::Fail(ErrorText(static_cast<DWORD>(s)));

        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            // Stored strings may lack their NUL or carry extra ones: the text ends at the first.
            std::wstring text(size / sizeof(wchar_t), L'\0');
            if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
            const std::size_t nul = text.find(L'\0');
            if (nul != std::wstring::npos) text.resize(nul);
            std::optional<std::string> utf8 = win32::FromWide(text);
            if (!utf8) return Result<std::string>::Fail("registry text cannot be converted");
            return Result<std::string>::Of(std::move(*utf8));
        }
        if (type == REG_DWORD && size == sizeof(DWORD)) {
            std::int32_t number = 0;
            std::memcpy(&number, data.data(), sizeof(number));
            return Result<std::string>::Of(std::to_string(number));
        }
        return Result<std::string>::Fail("registry value of type " + std::to_string(type) + " cannot be read as text");
    } catch (...) {
        return Fail<std::string>("out of memory");
    }
}

Status Win32Registry::Write(const std::string& path, DWORD type, const BYTE* data, DWORD size) noexcept {
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return Status::Fail(p.error);
        KeyHandle key;
        LSTATUS s = RegCreateKeyExW(p.value->root, p.value->key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, key.Out(), nullptr);
        if (s != ERROR_SUCCESS) return Status::Fail(ErrorText(static_cast<DWORD>(s)));
        s = RegSetValueExW(key.Get(), p.value->value.c_str(), 0, type, data, size);
        if (s != ERROR_SUCCESS) return Status::Fail(ErrorText(static_cast<DWORD>(s)));
        return Status::Ok();
    } catch (...) {
        return Status{false, {}};
    }
}

Status Win32Registry::WriteString(const std::string& path, const std::string& value) noexcept {
    try {
        const std::optional<std::wstring> wide = win32::ToWide(value);
        if (!wide) return Status::Fail("text cannot be converted");
        const std::size_t bytes = (wide->size() + 1) * sizeof(wchar_t);  // with the terminating NUL
        if (bytes > MAXDWORD) return Status::Fail(ErrorText(ERROR_INVALID_PARAMETER));
        return Write(path, REG_SZ, reinterpret_cast<const BYTE*>(wide->c_str()), static_cast<DWORD>(bytes));
    } catch (...) {
        return Status{false, {}};
    }
}

Status Win32Registry::WriteDword(const std::string& path, std::int32_t value) noexcept {
    DWORD data = static_cast<DWORD>(value);
    return Write(path, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

Status Win32Registry::Remove(const std::string& path) noexcept {
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return Status::Fail(p.error);
        KeyHandle key;
        LSTATUS s = RegOpenKeyExW(p.value->root, p.value->key.c_str(), 0, KEY_SET_VALUE, key.Out());
        if (s == ERROR_SUCCESS) s = RegDeleteValueW(key.Get(), p.value->value.c_str());
        if (s != ERROR_SUCCESS) return Status::Fail(ErrorText(static_cast<DWORD>(s)));
        return Status::Ok();
    } catch (...) {
        return Status{false, {}};
    }
}

}  // namespace pankor

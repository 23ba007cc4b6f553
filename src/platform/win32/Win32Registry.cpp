#include "platform/win32/Win32Registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"

namespace pankor {

namespace {

struct KeyTraits {
    using Handle = HKEY;
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY key) noexcept { RegCloseKey(key); }
};
using KeyHandle = UniqueHandle<KeyTraits>;

// Registry calls answer with the error number instead of setting the last error.
Status RegFailure(LSTATUS s) { return win32::ErrorFailure(static_cast<DWORD>(s)); }

HKEY RootByName(std::string_view name) noexcept {
    struct Root {
        const char* shortName;
        const char* longName;
        HKEY key;
    };
    static const Root kRoots[] = {
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},     {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {"HKU", "HKEY_USERS", HKEY_USERS},
        {"HKCC", "HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const Root& r : kRoots)
        if (EqualsNoCase(name, r.shortName) || EqualsNoCase(name, r.longName)) return r.key;
    return nullptr;
}

// A path that names no registry value.
Result<RegistryPath> BadPath(std::string why) { return Result<RegistryPath>::Fail(std::move(why), ERROR_INVALID_NAME); }

// Opens the key of a parsed path for reading its values.
Status OpenForQuery(const RegistryPath& p, KeyHandle& key) {
    const LSTATUS s = RegOpenKeyExW(p.root, p.key.c_str(), 0, KEY_QUERY_VALUE, key.Out());
    return s == ERROR_SUCCESS ? Status::Ok() : RegFailure(s);
}

}  // namespace

Result<RegistryPath> ParseRegistryPath(const std::string& path) noexcept {
    try {
        const std::size_t firstSlash = path.find('\\');
        if (firstSlash == std::string::npos) return BadPath("not a registry value path: \"" + path + "\"");
        RegistryPath parsed;
        parsed.root = RootByName(std::string_view(path).substr(0, firstSlash));
        if (!parsed.root) return BadPath("invalid root in registry path \"" + path + "\"");

        const std::size_t lastSlash = path.rfind('\\');
        const std::string key = lastSlash > firstSlash ? path.substr(firstSlash + 1, lastSlash - firstSlash - 1) : "";
        const std::optional<std::wstring> wideKey = win32::WidePath(key);
        const std::optional<std::wstring> wideValue = win32::WidePath(std::string_view(path).substr(lastSlash + 1));
        if (!wideKey || !wideValue) return BadPath("unusable registry path \"" + path + "\"");
        parsed.key = *wideKey;
        parsed.value = *wideValue;
        return Result<RegistryPath>::Of(std::move(parsed));
    } catch (...) {
        return Result<RegistryPath>::From(win32::OutOfMemory());
    }
}

Result<RegistryPath> ParseRegistryKeyPath(const std::string& path) noexcept {
    try {
        std::string key = path;
        while (!key.empty() && key.back() == '\\') key.pop_back();
        return ParseRegistryPath(key + "\\");  // the key's default value: the key itself, an empty value name
    } catch (...) {
        return Result<RegistryPath>::From(win32::OutOfMemory());
    }
}

Result<std::vector<std::string>> Win32Registry::SubkeyNames(const std::string& keyPath, std::size_t maxCount,
                                                            std::size_t maxNameChars) noexcept {
    using R = Result<std::vector<std::string>>;
    try {
        const Result<RegistryPath> p = ParseRegistryKeyPath(keyPath);
        if (!p.ok()) return R::From(p.status());
        if (maxNameChars == 0 || maxNameChars > MAXDWORD) return R::From(RegFailure(ERROR_INVALID_PARAMETER));
        KeyHandle key;
        const LSTATUS opened = RegOpenKeyExW(p->root, p->key.c_str(), 0, KEY_READ, key.Out());
        if (opened != ERROR_SUCCESS) return R::From(RegFailure(opened));
        std::vector<std::string> names;
        std::wstring buffer(maxNameChars, L'\0');
        for (DWORD index = 0; index < maxCount; ++index) {
            DWORD chars = static_cast<DWORD>(buffer.size());  // the terminator included
            if (RegEnumKeyExW(key.Get(), index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;  // no more subkeys, or a name too long for the buffer
            names.push_back(win32::FromWide(std::wstring_view(buffer.data(), chars)).value_or(std::string()));
        }
        return R::Of(std::move(names));
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

Result<std::string> Win32Registry::ReadLimited(const std::string& path, std::size_t maxChars) noexcept {
    using R = Result<std::string>;
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return R::From(p.status());
        if (maxChars == 0 || maxChars > MAXDWORD / sizeof(wchar_t)) return R::From(RegFailure(ERROR_INVALID_PARAMETER));
        KeyHandle key;
        LSTATUS s = RegOpenKeyExW(p->root, p->key.c_str(), 0, KEY_READ, key.Out());
        if (s != ERROR_SUCCESS) return R::From(RegFailure(s));
        // Whatever the type, the data is read as text into a buffer of this many
        // characters; a value that does not fit counts as unreadable.
        std::wstring buffer(maxChars, L'\0');
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        s = RegQueryValueExW(key.Get(), p->value.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                             &bytes);
        if (s != ERROR_SUCCESS) return R::From(RegFailure(s));
        std::size_t chars = (bytes + 1) / sizeof(wchar_t);  // an odd last byte counts as a character
        if (chars > 0 && buffer[chars - 1] == L'\0') --chars;  // the stored terminator
        if (chars >= maxChars) return R::From(RegFailure(ERROR_MORE_DATA));
        std::wstring text(buffer.data(), chars);
        text.erase(std::remove(text.begin(), text.end(), L'\0'), text.end());
        std::optional<std::string> utf8 = win32::FromWide(text);
        if (!utf8) return R::Fail("registry text cannot be converted", ERROR_NO_UNICODE_TRANSLATION);
        return R::Of(std::move(*utf8));
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

Result<std::string> Win32Registry::Read(const std::string& path) noexcept {
    using R = Result<std::string>;
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return R::From(p.status());

        KeyHandle key;
        if (Status opened = OpenForQuery(*p, key); !opened.ok()) return R::From(std::move(opened));

        // The value may grow between the size query and the read: retry a few times.
        std::vector<BYTE> data;
        DWORD type = REG_NONE;
        DWORD size = 0;
        LSTATUS s = RegQueryValueExW(key.Get(), p->value.c_str(), nullptr, &type, nullptr, &size);
        for (int attempt = 0; s == ERROR_SUCCESS || s == ERROR_MORE_DATA; ++attempt) {
            if (attempt == 4) return R::From(RegFailure(ERROR_MORE_DATA));
            data.assign(static_cast<std::size_t>(size) + sizeof(wchar_t), 0);  // room for a missing NUL
            size = static_cast<DWORD>(data.size());
            s = RegQueryValueExW(key.Get(), p->value.c_str(), nullptr, &type, data.data(), &size);
            if (s == ERROR_SUCCESS) break;
        }
        if (s != ERROR_SUCCESS) return R::From(RegFailure(s));

        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            // Stored strings may lack their NUL or carry extra ones: the text ends at the first.
            std::wstring text(size / sizeof(wchar_t), L'\0');
            if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
            const std::size_t nul = text.find(L'\0');
            if (nul != std::wstring::npos) text.resize(nul);
            std::optional<std::string> utf8 = win32::FromWide(text);
            if (!utf8) return R::Fail("registry text cannot be converted", ERROR_NO_UNICODE_TRANSLATION);
            return R::Of(std::move(*utf8));
        }
        if (type == REG_DWORD && size == sizeof(DWORD)) {
            std::int32_t number = 0;
            std::memcpy(&number, data.data(), sizeof(number));
            return R::Of(std::to_string(number));
        }
        return R::Fail("registry value of type " + std::to_string(type) + " cannot be read as text",
                       ERROR_UNSUPPORTED_TYPE);
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

bool Win32Registry::Exists(const std::string& path) noexcept {
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return false;
        KeyHandle key;
        if (!OpenForQuery(*p, key).ok()) return false;
        // Type and size only, no buffer: this answers for values of every type
        // (binary, multi-string, 64-bit numbers), which Read would refuse.
        DWORD type = REG_NONE;
        DWORD size = 0;
        return RegQueryValueExW(key.Get(), p->value.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    } catch (...) {
        return false;  // out of memory while parsing the path: nothing could be looked at
    }
}

Status Win32Registry::Write(const std::string& path, DWORD type, const BYTE* data, DWORD size) noexcept {
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return p.status();
        KeyHandle key;
        LSTATUS s = RegCreateKeyExW(p->root, p->key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                    nullptr, key.Out(), nullptr);
        if (s != ERROR_SUCCESS) return RegFailure(s);
        s = RegSetValueExW(key.Get(), p->value.c_str(), 0, type, data, size);
        if (s != ERROR_SUCCESS) return RegFailure(s);
        return Status::Ok();
    } catch (...) {
        return win32::OutOfMemory();
    }
}

Status Win32Registry::WriteString(const std::string& path, const std::string& value) noexcept {
    try {
        const std::optional<std::wstring> wide = win32::ToWide(value);
        if (!wide) return Status::Fail("text cannot be converted", ERROR_NO_UNICODE_TRANSLATION);
        const std::size_t bytes = (wide->size() + 1) * sizeof(wchar_t);  // with the terminating NUL
        if (bytes > MAXDWORD) return RegFailure(ERROR_INVALID_PARAMETER);
        return Write(path, REG_SZ, reinterpret_cast<const BYTE*>(wide->c_str()), static_cast<DWORD>(bytes));
    } catch (...) {
        return win32::OutOfMemory();
    }
}

Status Win32Registry::WriteDword(const std::string& path, std::int32_t value) noexcept {
    DWORD data = static_cast<DWORD>(value);
    return Write(path, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

Status Win32Registry::Remove(const std::string& path) noexcept {
    try {
        const Result<RegistryPath> p = ParseRegistryPath(path);
        if (!p.ok()) return p.status();
        KeyHandle key;
        LSTATUS s = RegOpenKeyExW(p->root, p->key.c_str(), 0, KEY_SET_VALUE, key.Out());
        if (s == ERROR_SUCCESS) s = RegDeleteValueW(key.Get(), p->value.c_str());
        if (s != ERROR_SUCCESS) return RegFailure(s);
        return Status::Ok();
    } catch (...) {
        return win32::OutOfMemory();
    }
}

}  // namespace pankor

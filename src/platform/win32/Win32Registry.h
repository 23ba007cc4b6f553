#pragma once
#include "platform/win32/Win32Windows.h"

#include "platform/IRegistry.h"

namespace pankor {

// A text registry path taken apart: "HKCU\Software\X\Value" is the root
// HKEY_CURRENT_USER, the key "Software\X" and the value "Value"; a trailing
// backslash names the key's default value (an empty value name).
struct RegistryPath {
    HKEY root = nullptr;
    std::wstring key;
    std::wstring value;
};

// Roots: HKCU, HKLM, HKCR, HKU, HKCC or their HKEY_ names, in any letter case.
Result<RegistryPath> ParseRegistryPath(const std::string& path) noexcept;
// A path that names a key ("HKCU\Software\X"): the value stays empty.
Result<RegistryPath> ParseRegistryKeyPath(const std::string& path) noexcept;

class Win32Registry final : public IRegistry {
public:
    Result<std::string> Read(const std::string& path) noexcept override;
    bool Exists(const std::string& path) noexcept override;
    Status WriteString(const std::string& path, const std::string& value) noexcept override;
    Status WriteDword(const std::string& path, std::int32_t value) noexcept override;
    Status Remove(const std::string& path) noexcept override;
    Result<std::vector<std::string>> SubkeyNames(const std::string& keyPath, std::size_t maxCount,
                                                 std::size_t maxNameChars) noexcept override;
    Result<std::string> ReadLimited(const std::string& path, std::size_t maxChars) noexcept override;

private:
    Status Write(const std::string& path, DWORD type, const BYTE* data, DWORD size) noexcept;
};

}  // namespace pankor

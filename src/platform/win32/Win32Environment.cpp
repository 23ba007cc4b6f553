#include "platform/win32/Win32Environment.h"

#include "platform/win32/Win32Windows.h"

#include "platform/win32/Win32Text.h"

namespace pankor {

std::optional<std::string> Win32Environment::Get(const std::string& name) const noexcept {
    try {
        const std::optional<std::wstring> wideName = win32::WidePath(name);
        if (!wideName || wideName->empty()) return std::nullopt;
        std::wstring buffer;
        // The value may change between the size query and the read: retry a few times.
        for (int attempt = 0; attempt < 4; ++attempt) {
            SetLastError(ERROR_SUCCESS);
            const DWORD capacity = static_cast<DWORD>(buffer.size());
            const DWORD n = GetEnvironmentVariableW(wideName->c_str(), capacity ? buffer.data() : nullptr, capacity);
            if (n == 0) {
                // 0 is both "unset" and "set to the empty text".
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
                return std::string();
            }
            if (n < capacity) {
                buffer.resize(n);
                return win32::FromWide(buffer);
            }
            buffer.assign(n, L'\0');  // n counts the terminating NUL here
        }
    } catch (...) {
        return std::nullopt;  // out of memory: this call can only answer "not set"
    }
    return std::nullopt;
}

}  // namespace pankor

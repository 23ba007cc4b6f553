#pragma once
// Text at the Windows boundary: the core speaks UTF-8, the wide API speaks
// UTF-16, and old text files are in the ANSI code page.
#include "platform/win32/Win32Windows.h"

#include <optional>
#include <string>
#include <string_view>

namespace pankor::win32 {

// Nothing when the text is too long for the API or memory runs out. Invalid
// input sequences become U+FFFD (or the code page's default character).
std::optional<std::wstring> ToWide(std::string_view text, UINT codePage = CP_UTF8) noexcept;
std::optional<std::string> FromWide(std::wstring_view text, UINT codePage = CP_UTF8) noexcept;

// A UTF-8 path for the wide calls. Nothing when it holds a NUL: the call
// would silently name a different, shorter path.
std::optional<std::wstring> WidePath(std::string_view utf8) noexcept;

// The message a module (or, for nullptr, the system) has for a code, UTF-8,
// without the trailing line end; "" when it has none.
std::string MessageText(DWORD code, HMODULE module) noexcept;

// The system's description of an error code, UTF-8, without the trailing
// line end; "error <n>" when the system has none.
std::string ErrorText(DWORD code) noexcept;

// The description of the calling thread's last error.
inline std::string LastErrorText() noexcept { return ErrorText(GetLastError()); }

}  // namespace pankor::win32

#include "platform/win32/Win32Text.h"

#include <climits>

#include "base/UniqueHandle.h"

namespace pankor::win32 {

namespace {

// The buffers FormatMessage allocates for its caller.
struct LocalMemoryTraits {
    using Handle = wchar_t*;
    static wchar_t* Invalid() noexcept { return nullptr; }
    static void Close(wchar_t* p) noexcept { LocalFree(p); }
};

}  // namespace

std::optional<std::wstring> ToWide(std::string_view text, UINT codePage) noexcept {
    if (text.empty()) return std::wstring();
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    const int inLen = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), inLen, nullptr, 0);
    if (n <= 0) return std::nullopt;
    try {
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        if (MultiByteToWideChar(codePage, 0, text.data(), inLen, out.data(), n) != n) return std::nullopt;
        return out;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> FromWide(std::wstring_view text, UINT codePage) noexcept {
    if (text.empty()) return std::string();
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    const int inLen = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(codePage, 0, text.data(), inLen, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::nullopt;
    try {
        std::string out(static_cast<std::size_t>(n), '\0');
        if (WideCharToMultiByte(codePage, 0, text.data(), inLen, out.data(), n, nullptr, nullptr) != n)
            return std::nullopt;
        return out;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::wstring> WidePath(std::string_view utf8) noexcept {
    if (utf8.find('\0') != std::string_view::npos) return std::nullopt;
    return ToWide(utf8);
}

std::string MessageText(DWORD code, HMODULE module) noexcept {
    try {
        wchar_t* buffer = nullptr;
        const DWORD source = module != nullptr ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
        const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS, module,
                                       code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
        const UniqueHandle<LocalMemoryTraits> owned(buffer);
        std::wstring text;
        if (n > 0 && buffer) text.assign(buffer, n);
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
        return FromWide(text).value_or(std::string());
    } catch (...) {
        return {};  // out of memory: no message, which the callers replace by the number
    }
}

std::string ErrorText(DWORD code) noexcept {
    try {
        const std::string text = MessageText(code, nullptr);
        return text.empty() ? "error " + std::to_string(code) : text;
    } catch (...) {
        return "out of memory";  // short enough to need no allocation
    }
}

}  // namespace pankor::win32

#pragma once
// Helpers of the Win32 platform tests and fixtures. Results are checked with
// the plain Windows API, never with the code under test; files and folders
// come from the contract suites' Scratch.
#include <filesystem>
#include <string>
#include <string_view>

#include "ContractSupport.h"
#include "platform/win32/Win32Windows.h"

namespace pankor::test {

inline std::wstring Wide(std::string_view utf8) {
    std::wstring out(utf8.size(), L'\0');  // never more UTF-16 units than UTF-8 bytes
    out.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                            out.data(), static_cast<int>(out.size()))));
    return out;
}

inline std::string Utf8(std::wstring_view wide) {
    std::string out(wide.size() * 3, '\0');
    out.resize(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                                     static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

// A build-tree path as the compiler saw it ("/work/x/y.exe" under Wine) as
// a Windows path ("Z:\work\x\y.exe").
inline std::string WindowsPath(std::string_view buildPath) {
    std::string path(buildPath);
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine maps the Unix root to Z:
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace pankor::test

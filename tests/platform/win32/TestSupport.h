#pragma once
// Helpers of the Win32 platform tests and fixtures: results are checked with the plain Windows API,
// never with the code under test; files and folders come from the contract suites' Scratch.
#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "ContractSupport.h"
#include "platform/win32/Win32Windows.h"

namespace pankor::test {

inline std::wstring Wide(std::string_view utf8) { return FsPath(std::string(utf8)).wstring(); }
inline std::string Utf8(std::wstring_view wide) {
    const std::u8string utf8 = std::filesystem::path(wide).u8string();
    return {utf8.begin(), utf8.end()};
}

// A build-tree path as the compiler saw it ("/work/x/y.exe") as Wine shows it ("Z:\work\x\y.exe").
inline std::string WindowsPath(std::string_view buildPath) {
    std::string path = buildPath.starts_with('/') ? "Z:" + std::string(buildPath) : std::string(buildPath);
    std::replace(path.begin(), path.end(), '/', '\\');  // Wine maps the Unix root to Z:
    return path;
}

}  // namespace pankor::test

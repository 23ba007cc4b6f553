#pragma once
// Helpers of the Win32 platform tests. Results are checked with the plain
// Windows API, never with the code under test.
#include <string>
#include <string_view>

#include "platform/win32/Win32Windows.h"

namespace pankor::test {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A build-tree path as the compiler saw it ("/work/x/y.exe" under Wine) as
// a Windows path ("Z:\work\x\y.exe").
std::string WindowsPath(std::string_view buildPath);

// A new folder under the temporary folder, removed with its content at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string Join(std::string_view name) const { return path_ + "\\" + std::string(name); }

private:
    std::string path_;
};

bool Exists(const std::string& path);
// The file's bytes; throws when it cannot be read.
std::string ReadWhole(const std::string& path);
void WriteWhole(const std::string& path, std::string_view data);
// Names in a folder matching a wildcard pattern such as "*.tmp".
int CountMatches(const std::string& folder, const std::string& pattern);

}  // namespace pankor::test

// Test helper: replaces a file with a large text through the Win32 file
// system, so a test can end this process in the middle of the write.
// Usage: win32_replace_helper <path> <mebibytes>
#include <cwchar>
#include <string>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Text.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    try {
        const std::optional<std::string> path = pankor::win32::FromWide(argv[1]);
        const long mebibytes = std::wcstol(argv[2], nullptr, 10);
        if (!path || mebibytes <= 0) return 2;
        std::string text;
        const std::string line = std::string(62, 'n') + "\r\n";
        text.reserve(static_cast<std::size_t>(mebibytes) << 20);
        while (text.size() + line.size() <= text.capacity()) text += line;
        return pankor::Win32FileSystem().ReplaceFile(*path, text).ok() ? 0 : 1;
    } catch (...) {
        return 3;
    }
}

// Windows command lines from uninstall entries, split for a start on Linux:
// no crash; a quoted program holds no quote; no argument invents characters
// (together they are never longer than the line); and an argument quoted the
// way Windows wants splits back to itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/CommandLine.h"

using namespace pankor;

namespace {

// The argument as a command line must carry it: quoted, with backslashes
// before a quote (and at the end) doubled, and quotes escaped.
std::string Quote(const std::string& arg) {
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> args = SplitCommandLine(line);
    std::size_t total = 0;
    for (const std::string& a : args) total += a.size();
    if (total > line.size()) __builtin_trap();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '"' && args[0].find('"') != std::string::npos) __builtin_trap();
    if (line.find('\0') == std::string::npos) {
        const std::vector<std::string> again = SplitCommandLine("p " + Quote(line));
        if (again.size() != 2 || again[1] != line) __builtin_trap();
    }
    return 0;
}

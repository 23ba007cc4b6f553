#include "base/CommandLine.h"

namespace pankor {

namespace {

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return args;

    // The program name knows no escapes: a path cannot hold a quote.
    std::string program;
    if (line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        const std::size_t end = close == std::string_view::npos ? line.size() : close;
        program.assign(line.substr(i + 1, end - i - 1));
        i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        program.assign(line.substr(start, i - start));
    }
    args.push_back(std::move(program));

    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) break;
        std::string arg;
        bool quoted = false;
        for (;;) {
            std::size_t slashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++slashes;
                ++i;
            }
            bool copy = true;
            if (i < line.size() && line[i] == '"') {
                if (slashes % 2 == 0) {
                    if (quoted && i + 1 < line.size() && line[i + 1] == '"')
                        ++i;  // "" inside quotes: one literal quote
                    else {
                        copy = false;
                        quoted = !quoted;
                    }
                }
                slashes /= 2;
            }
            arg.append(slashes, '\\');
            if (i == line.size() || (!quoted && IsBlank(line[i]))) break;
            if (copy) arg += line[i];
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

}  // namespace pankor

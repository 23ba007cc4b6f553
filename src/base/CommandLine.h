#pragma once
// Windows command lines taken apart as the Windows C runtime does, so a
// command line written for Windows starts the same program with the same
// arguments on a host that passes an argument vector.
#include <string>
#include <string_view>
#include <vector>

namespace pankor {

// The program (up to the closing quote when it starts with one, else up to
// the first blank), then each argument: blanks separate them outside double
// quotes; 2n backslashes before a quote give n and the quote opens or closes
// a quoted part, 2n+1 give n and a literal quote; "" inside a quoted part is
// a literal quote; other backslashes stay as they are. Empty when the line
// holds no program.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace pankor

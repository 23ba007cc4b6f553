// Windows command lines taken apart as Windows does.
#include <gtest/gtest.h>

#include "base/CommandLine.h"

using pankor::SplitCommandLine;

namespace {

struct LineCase {
    const char* line;
    std::vector<std::string> args;
};

class CommandLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLine, SplitsAsTheWindowsRuntimeDoes) { EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().args); }

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLine,
    ::testing::Values(
        LineCase{"", {}}, LineCase{"   ", {}},
        LineCase{"\"C:\\Program Files\\T\\setup.exe\" /VERYSILENT /NORESTART",
                 {"C:\\Program Files\\T\\setup.exe", "/VERYSILENT", "/NORESTART"}},
        LineCase{"  setup.exe\t/a  /b ", {"setup.exe", "/a", "/b"}},
        LineCase{"C:\\a\\b.exe \"x y\" z", {"C:\\a\\b.exe", "x y", "z"}},
        LineCase{"p a\\\\\\\"b", {"p", "a\\\"b"}},            // 3 backslashes + quote: 1 backslash, a quote
        LineCase{"p a\\\\\"b c\"", {"p", "a\\b c"}},          // 2 backslashes + quote: 1 backslash, opens quotes
        LineCase{"p C:\\dir\\ x", {"p", "C:\\dir\\", "x"}},   // backslashes before no quote stay
        LineCase{"p \"a\"\"b\" c", {"p", "a\"b", "c"}},       // "" inside quotes
        LineCase{"p \"\" x", {"p", "", "x"}},                 // an empty argument
        LineCase{"p \"open to the end", {"p", "open to the end"}},
        LineCase{"\"C:\\no close", {"C:\\no close"}},
        LineCase{"\"C:\\a\\b.exe\"/x", {"C:\\a\\b.exe", "/x"}},  // the program ends at its quote
        LineCase{"p /RELAUNCH=/tray", {"p", "/RELAUNCH=/tray"}}));

}  // namespace

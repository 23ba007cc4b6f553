#pragma once
// Command-line switches are never parsed into tokens: each is found by a
// case-insensitive search anywhere in the raw line, and a switch that carries
// a value takes the text after it. Callers shape the value by its rule.
#include <optional>
#include <string>
#include <string_view>

namespace pankor {

bool HasSwitch(std::string_view commandLine, std::string_view name) noexcept;
// The rest of the line after the first occurrence of name, or nothing.
std::optional<std::string_view> AfterSwitch(std::string_view commandLine, std::string_view name) noexcept;
// The answer points into the line: a temporary line would leave it dangling.
std::optional<std::string_view> AfterSwitch(std::string&& commandLine, std::string_view name) = delete;
// The text before the first blank.
std::string_view UpToBlank(std::string_view s) noexcept;
std::string WithoutQuotes(std::string_view s);

// "/installed=", "/publisher=": up to the first blank, quotes removed.
std::optional<std::string> SwitchWord(std::string_view commandLine, std::string_view name);
// "/testsig", "/testhash": the rest of the line, trimmed, quotes removed.
std::optional<std::string> SwitchRest(std::string_view commandLine, std::string_view name);

}  // namespace pankor

#include "base/Switches.h"

#include <algorithm>

#include "base/Text.h"

namespace pankor {

bool HasSwitch(std::string_view commandLine, std::string_view name) noexcept {
    return ContainsNoCase(commandLine, name);
}

std::optional<std::string_view> AfterSwitch(std::string_view commandLine, std::string_view name) noexcept {
    const std::size_t at = FindNoCase(commandLine, name);
    if (at == std::string_view::npos) return std::nullopt;
    return commandLine.substr(at + name.size());
}

std::string_view UpToBlank(std::string_view s) noexcept { return s.substr(0, s.find(' ')); }

std::string WithoutQuotes(std::string_view s) {
    std::string out(s);
    std::erase(out, '"');
    return out;
}

std::optional<std::string> SwitchWord(std::string_view commandLine, std::string_view name) {
    const auto after = AfterSwitch(commandLine, name);
    if (!after) return std::nullopt;
    return WithoutQuotes(UpToBlank(*after));
}

std::optional<std::string> SwitchRest(std::string_view commandLine, std::string_view name) {
    const auto after = AfterSwitch(commandLine, name);
    if (!after) return std::nullopt;
    return WithoutQuotes(TrimSpaces(*after));
}

}  // namespace pankor

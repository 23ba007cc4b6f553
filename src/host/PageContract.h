#pragma once
// What the page and the host agree on, written down once in
// src/host/page_contract.json, which the page's own tests read too; a unit
// test holds these tables to that file.
#include <string_view>

namespace pankor {

enum class CommandArg { None, Slug, Url, Flag };

struct PageCommand {
    std::string_view name;
    CommandArg arg;
};

// The "app:" commands the page sends.
inline constexpr PageCommand kPageCommands[] = {
    {"ready", CommandArg::None},     {"drag", CommandArg::None},      {"min", CommandArg::None},
    {"close", CommandArg::None},     {"quit", CommandArg::None},      {"selfupdate", CommandArg::None},
    {"refresh", CommandArg::None},   {"start", CommandArg::Slug},     {"update", CommandArg::Slug},
    {"inupdate", CommandArg::Slug},  {"notes", CommandArg::Slug},     {"open", CommandArg::Url},
    {"uninstall", CommandArg::Slug}, {"backup", CommandArg::None},    {"restore", CommandArg::None},
    {"issue", CommandArg::None},     {"autostart", CommandArg::Flag}, {"notify", CommandArg::Flag},
    {"consent", CommandArg::Flag},
};

struct PageFunction {
    std::string_view name;
    std::string_view args;  // one letter per argument: n number, b Boolean, t text
};

// The window.pk functions the host calls.
inline constexpr PageFunction kPageFunctions[] = {
    {"setDpi", "n"},        {"showTabExternal", "t"},
    {"showInstalled", "t"}, {"showWelcome", "b"},
    {"setStatus", "t"},     {"setApps", "t"},
    {"setSkins", "t"},      {"setSelfVersion", "t"},
    {"setSelfUpdate", "t"}, {"setSelfUpdateState", "t"},
    {"setAutostart", "b"},  {"setNotify", "b"},
    {"setTelemetry", "nt"}, {"setIssueResult", "bt"},
    {"setBusy", "t"},       {"updateFailed", "t"},
    {"setProgress", "tn"},
};

// The members of an app row and of a skin row, in order.
inline constexpr std::string_view kAppRowMembers[] = {"slug",    "name", "desc", "installed", "latest",  "headline",
                                                      "running", "icon", "kind", "shot",      "requires"};
inline constexpr std::string_view kSkinRowMembers[] = {"name", "forApp", "author", "shot", "url"};

}  // namespace pankor

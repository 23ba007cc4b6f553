// The host's commands, page functions and row members are the page contract file's, in the same order.
#include <gtest/gtest.h>

#include "PageContractJson.h"
#include "core/modJson.h"
#include "host/PageContract.h"
#include "host/frmMain.h"

using namespace pankor;

namespace {

const auto kNothing = [](const auto&) { return std::string(); };

// The contract file's list: each entry's name, "=", what `of` gives of it, a blank.
std::string FromFile(const char* list, auto&& of) {
    modJson json;
    const JsonValue items = JsonObj(json.JsonParseObject(kPageContractJson), list);
    std::string out;
    for (int i = 1; i <= JsonCount(items); ++i)
        out += JsonStr(JsonItemObj(items, i), "name") + "=" + of(JsonItemObj(items, i)) + " ";
    return out;
}

// The host's list the same way.
std::string_view NameOf(std::string_view name) { return name; }
std::string_view NameOf(const auto& entry) { return entry.name; }
std::string Joined(const auto& list, auto&& of) {
    std::string out;
    for (const auto& entry : list) out += std::string(NameOf(entry)) + "=" + of(entry) + " ";
    return out;
}

}  // namespace

TEST(PageContract, CommandsFunctionsAndRowsAreTheHostsAndEachCommandHasAHandler) {
    static const char* const kArgNames[] = {"none", "slug", "url", "flag"};  // CommandArg's order
    EXPECT_EQ(
        Joined(kPageCommands, [](const PageCommand& c) { return std::string(kArgNames[static_cast<int>(c.arg)]); }),
        FromFile("commands", [](const JsonValue& c) { return JsonStr(c, "arg"); }));
    EXPECT_EQ(Joined(frmMain::Handlers(), kNothing), Joined(kPageCommands, kNothing));
    EXPECT_EQ(Joined(kPageFunctions, [](const PageFunction& f) { return std::string(f.args); }),
              FromFile("functions", [](const JsonValue& f) {
                  std::string letters;  // each argument's type's first letter
                  const JsonValue args = JsonObj(f, "args");
                  for (int a = 1; a <= JsonCount(args); ++a)
                      letters += JsonStr(JsonItemObj(args, a), "type").substr(0, 1);
                  return letters;
              }));
    EXPECT_EQ(Joined(kAppRowMembers, kNothing), FromFile("appRow", kNothing));
    EXPECT_EQ(Joined(kSkinRowMembers, kNothing), FromFile("skinRow", kNothing));
}

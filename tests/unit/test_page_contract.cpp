// The host keeps the page contract: the same commands, page functions and row
// members as the file the page's tests hold the page to.
#include <gtest/gtest.h>

#include <map>

#include "PageContractJson.h"
#include "core/modJson.h"
#include "host/PageContract.h"
#include "host/frmMain.h"

using namespace pankor;

namespace {

// The contract file's list as name -> what each entry's text gives.
template <typename Of>
std::map<std::string, std::string> FromFile(const char* list, Of&& of) {
    modJson json;
    const JsonValue items = JsonObj(json.JsonParseObject(kPageContractJson), list);
    EXPECT_TRUE(json.JsonOk());
    std::map<std::string, std::string> out;
    for (int i = 1; i <= JsonCount(items); ++i) out[JsonStr(JsonItemObj(items, i), "name")] = of(JsonItemObj(items, i));
    return out;
}

// A row's member names in the contract file's order, each followed by a blank.
std::string Members(const char* row) {
    modJson json;
    const JsonValue members = JsonObj(json.JsonParseObject(kPageContractJson), row);
    std::string out;
    for (int i = 1; i <= JsonCount(members); ++i) out += JsonStr(JsonItemObj(members, i), "name") + " ";
    return out;
}

template <typename List>
std::string Joined(const List& names) {
    std::string out;
    for (std::string_view name : names) out += std::string(name) + " ";
    return out;
}

}  // namespace

TEST(PageContract, CommandsFunctionsAndRowsAreTheHostsAndEachCommandHasAHandler) {
    static const char* const kArgNames[] = {"none", "slug", "url", "flag"};  // CommandArg's order
    std::map<std::string, std::string> commands, functions;
    for (const PageCommand& c : kPageCommands) commands[std::string(c.name)] = kArgNames[static_cast<int>(c.arg)];
    EXPECT_EQ(commands, FromFile("commands", [](const JsonValue& c) { return JsonStr(c, "arg"); }));
    std::vector<std::string> handled, contracted;
    for (const auto& h : frmMain::Handlers()) handled.emplace_back(h.name);
    for (const PageCommand& c : kPageCommands) contracted.emplace_back(c.name);
    EXPECT_EQ(handled, contracted);

    for (const PageFunction& f : kPageFunctions) functions[std::string(f.name)] = std::string(f.args);
    EXPECT_EQ(functions, FromFile("functions", [](const JsonValue& f) {
                  std::string letters;  // each argument's type's first letter
                  const JsonValue args = JsonObj(f, "args");
                  for (int a = 1; a <= JsonCount(args); ++a)
                      letters += JsonStr(JsonItemObj(args, a), "type").substr(0, 1);
                  return letters;
              }));

    EXPECT_EQ(Members("appRow"), Joined(kAppRowMembers));
    EXPECT_EQ(Members("skinRow"), Joined(kSkinRowMembers));
}

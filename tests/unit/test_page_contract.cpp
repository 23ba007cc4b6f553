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

JsonValue Contract() {
    modJson json;
    JsonValue root = json.JsonParseObject(kPageContractJson);
    EXPECT_TRUE(json.JsonOk());
    return root;
}

std::vector<std::string> Names(const JsonValue& list) {
    std::vector<std::string> out;
    for (int i = 1; i <= JsonCount(list); ++i) out.push_back(JsonStr(JsonItemObj(list, i), "name"));
    return out;
}

const char* ArgName(CommandArg a) {
    switch (a) {
        case CommandArg::None: return "none";
        case CommandArg::Slug: return "slug";
        case CommandArg::Url: return "url";
        case CommandArg::Flag: return "flag";
    }
    return "?";
}

}  // namespace

TEST(PageContract, TheHostsCommandsAreThePagesAndEachHasAHandler) {
    const JsonValue commands = JsonObj(Contract(), "commands");
    std::map<std::string, std::string> file, host;
    for (int i = 1; i <= JsonCount(commands); ++i) {
        const JsonValue c = JsonItemObj(commands, i);
        file[JsonStr(c, "name")] = JsonStr(c, "arg");
    }
    for (const PageCommand& c : kPageCommands) host[std::string(c.name)] = ArgName(c.arg);
    EXPECT_EQ(host, file);
    std::vector<std::string> handled, contracted;
    for (const auto& h : frmMain::Handlers()) handled.emplace_back(h.name);
    for (const PageCommand& c : kPageCommands) contracted.emplace_back(c.name);
    EXPECT_EQ(handled, contracted);
}

TEST(PageContract, ThePageFunctionsTakeTheArgumentsTheHostSends) {
    const JsonValue functions = JsonObj(Contract(), "functions");
    std::map<std::string, std::string> file, host;
    for (int i = 1; i <= JsonCount(functions); ++i) {
        const JsonValue f = JsonItemObj(functions, i);
        const JsonValue args = JsonObj(f, "args");
        std::string letters;
        for (int a = 1; a <= JsonCount(args); ++a) letters += JsonStr(JsonItemObj(args, a), "type").substr(0, 1);
        file[JsonStr(f, "name")] = letters;
    }
    for (const PageFunction& f : kPageFunctions) host[std::string(f.name)] = std::string(f.args);
    EXPECT_EQ(host, file);
}

TEST(PageContract, RowsCarryTheMembersInTheirOrder) {
    const JsonValue root = Contract();
    EXPECT_EQ(Names(JsonObj(root, "appRow")),
              std::vector<std::string>(std::begin(kAppRowMembers), std::end(kAppRowMembers)));
    EXPECT_EQ(Names(JsonObj(root, "skinRow")),
              std::vector<std::string>(std::begin(kSkinRowMembers), std::end(kSkinRowMembers)));
}

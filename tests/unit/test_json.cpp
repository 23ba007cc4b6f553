#include <gtest/gtest.h>

#include "core/modJson.h"

using namespace pankor;
using namespace std::string_literals;

namespace {

class JsonTest : public ::testing::Test {
protected:
    JsonValue Parse(std::string_view text) { return json.JsonParse(text); }
    // The value's text form, as a member of an object shows it.
    static std::string Text(const JsonValue& v) {
        auto obj = std::make_shared<JsonObject>();
        obj->Set("v", v);
        return JsonStr(JsonValue{obj}, "v");
    }
    modJson json;
};

}  // namespace

TEST_F(JsonTest, GrammarAcceptsAndRefuses) {
    for (const char* good :
         {" \r\n\t{\"a\":1} \n", "[]", "{ }", "[1, [2, 3], {\"x\": []}]", "{\"a\" :\t1 , \"b\":[ ] }", "-"}) {
        Parse(good);
        EXPECT_TRUE(json.JsonOk()) << good;
    }
    for (const char* bad :
         {"{\"a\":1} x", "",      "\xEF\xBB\xBF{}", "\f{}",     "[1,]",      "[1 2]", "{\"a\" 1}", "{\"a\":1,}",
          "{a:1}",       "[",     "{\"a\":",        "]",        "{,}",       "[,1]",  "x",         "True",
          "nul",         "nulll", R"(["\x"])",      R"(["abc)", R"(["abc\)", "\"\\",  "{\"a\":1",  "[1"}) {
        EXPECT_EQ(Parse(bad).kind(), JsonValue::Kind::Empty) << bad;
        EXPECT_FALSE(json.JsonOk()) << bad;
        EXPECT_EQ(json.JsonError(), "") << bad;  // grammar errors are not conversion errors
    }
    Parse(std::string(100000, '[') + std::string(100000, ']'));  // refused, not a stack overflow
    EXPECT_FALSE(json.JsonOk());
    Parse(std::string(200, '[') + std::string(200, ']'));
    EXPECT_TRUE(json.JsonOk());
}

TEST_F(JsonTest, KeysIgnoreCaseAndARepeatedKeyMovesToTheEndWithItsLastValue) {
    const JsonValue v = Parse(R"({"Serial":5,"b":true,"SERIAL":7,"c":null})");
    EXPECT_EQ(JsonStr(v, "serial"), "7");
    std::vector<std::string> keys;
    for (const auto& [key, value] : std::get<std::shared_ptr<JsonObject>>(v.data)->Members()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"b", "SERIAL", "c"}));
    // Large objects are looked up through an index: the same rules.
    std::string big = "{";
    for (int i = 0; i < 40; ++i) big += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    const JsonValue b = Parse(big + "\"K3\":99}");
    EXPECT_EQ(JsonStr(b, "k3"), "99");
    EXPECT_EQ(JsonStr(b, "k39"), "39");
    EXPECT_EQ(JsonStr(b, "k40"), "");
}

TEST_F(JsonTest, ValuesAndTheirTextForms) {
    const JsonValue v = Parse(R"([1e5, --1, .5, +, 12, 1.5, -1.5e2, 1-2, 1.2.3, 0.1, 123456789012345678, 1e-7, -0,
                                  true, false, null, {}, [1]])");
    const char* texts[] = {
        "100000", "0", "0.5",  "0",     "12", "1.5", "-150", "1", "1.2", "0.1", "1.23456789012346E+17",
        "1E-07",  "0", "True", "False", "",   "",    ""};
    for (int i = 1; i <= 18; ++i) EXPECT_EQ(Text(JsonItem(v, i)), texts[i - 1]) << i;
    EXPECT_EQ(JsonItem(v, 16).kind(), JsonValue::Kind::Empty);  // null is the same as absent
}

TEST_F(JsonTest, LenientNumberTakesTheLongestNumberPrefix) {
    // More prefixes ("3-beta", "v3") are the version comparison's rows.
    const std::pair<std::string, double> cases[] = {{" 1 2 ", 12}, {"1e", 1},      {"2.5E+1x", 25}, {"", 0},
                                                    {"+7", 7},     {"-0.5", -0.5}, {"007", 7},      {"0.0012", 0.0012},
                                                    {"1e+", 1},    {"-", 0},       {"12e-1", 1.2}};
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(LenientNumber(text), value) << text;
    const std::pair<std::string, bool> overflows[] = {
        {"1e400", true},
        {"-2e400", true},
        {"1e-400", false},
        {std::string(400, '9'), true},
        {"0.000" + std::string(400, '0') + "1", false},
        {"1" + std::string(400, '0') + "x-99999", true},         // no exponent after a foreign character
        {"0." + std::string(100001, '0') + "1e1000000", true}};  // more leading zeros than the exponent has digits
    for (const auto& [text, overflow] : overflows) {
        bool flag = !overflow;
        EXPECT_EQ(LenientNumber(text, &flag), 0) << text;
        EXPECT_EQ(flag, overflow) << text;
    }
}

TEST_F(JsonTest, StringEscapesDecodeToUtf8) {
    const JsonValue v = Parse(R"(["\u00e9", "\uD83D\uDE00", "\ud83d", "\uDE00x", "a\"b\\c\/d\b\f\n\r\t", "raw é",
        "\u00E9\u0041", "\u0000\u007f\u0080\u07FF\u0800", "\uDFFF\uD7FF\uE000\uFFFF", "\uDBFF\uDFFF\uD800\u0041"])");
    std::string texts;  // a lone surrogate is U+FFFD
    for (int i = 1; i <= 10; ++i) texts += Text(JsonItem(v, i)) + "|";
    EXPECT_EQ(texts,
              "\xC3\xA9|\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBDx|a\"b\\c/d\b\f\n\r\t|raw \xC3\xA9|\xC3\xA9"
              "A|\0\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80|\xEF\xBF\xBD\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF|\xF4\x8F\xBF\xBF"
              "\xEF\xBF\xBD"
              "A|"s);
}

TEST_F(JsonTest, ConversionErrorsAbandonTheParseWithADescription) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(["\u12G4"])", "invalid \\u escape at offset 4"}, {R"(["\u12)", "invalid \\u escape at offset 4"},
        {R"({"a":"\u"})", "invalid \\u escape at offset 8"}, {R"(["\uD800\u12"])", "invalid \\u escape at offset 10"},
        {"[1e999]", "number out of range at offset 1"},      {"-2e400", "number out of range at offset 0"}};
    for (const auto& [bad, why] : cases) {
        EXPECT_EQ(Parse(bad).kind(), JsonValue::Kind::Empty) << bad;
        EXPECT_FALSE(json.JsonOk()) << bad;
        EXPECT_EQ(json.JsonError(), why) << bad;
    }
    Parse("[1]");  // the next parse starts clean
    EXPECT_TRUE(json.JsonOk());
    EXPECT_EQ(json.JsonError(), "");
}

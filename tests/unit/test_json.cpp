#include <gtest/gtest.h>

#include "core/modJson.h"

using namespace pankor;

namespace {

class JsonTest : public ::testing::Test {
protected:
    JsonValue Parse(std::string_view text) { return json.JsonParse(text); }
    modJson json;
};

std::string Str(const JsonValue& v) {
    return v.kind() == JsonValue::Kind::String ? std::get<std::string>(v.data) : "<not a string>";
}

}  // namespace

TEST_F(JsonTest, WhitespaceAroundValueIsAcceptedButTrailingTextAndEmptyInputFail) {
    const JsonValue v = Parse(" \r\n\t{\"a\":1} \n");
    EXPECT_TRUE(json.JsonOk());
    EXPECT_EQ(JsonStr(v, "a"), "1");

    for (const char* bad : {"{\"a\":1} x", "{\"a\":1}}", "", "   ", "\xEF\xBB\xBF{}", "\f{}"}) {
        EXPECT_EQ(Parse(bad).kind(), JsonValue::Kind::Empty) << bad;
        EXPECT_FALSE(json.JsonOk()) << bad;
        EXPECT_EQ(json.JsonError(), "") << bad;  // grammar errors are not conversion errors
    }
}

TEST_F(JsonTest, KeysIgnoreCaseAndARepeatedKeyMovesToTheEndWithItsLastValue) {
    const JsonValue v = Parse(R"({"Serial":5,"b":true,"SERIAL":7,"c":null})");
    ASSERT_TRUE(json.JsonOk());
    EXPECT_EQ(JsonStr(v, "serial"), "7");
    EXPECT_EQ(JsonCount(v), 3);
    const auto members = std::get<std::shared_ptr<JsonObject>>(v.data)->Members();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].first, "b");
    EXPECT_EQ(members[1].first, "SERIAL");
    EXPECT_EQ(members[2].first, "c");
}

TEST_F(JsonTest, ContainerGrammar) {
    EXPECT_EQ(JsonCount(Parse("[]")), 0);
    EXPECT_TRUE(json.JsonOk());
    EXPECT_EQ(JsonCount(Parse("{ }")), 0);
    EXPECT_TRUE(json.JsonOk());
    EXPECT_EQ(JsonCount(Parse("[1, [2, 3], {\"x\": []}]")), 3);
    EXPECT_TRUE(json.JsonOk());

    for (const char* bad : {"[1,]", "[1 2]", "{\"a\" 1}", "{\"a\":1,}", "{a:1}", "[", "{\"a\":", "]", "{,}"}) {
        Parse(bad);
        EXPECT_FALSE(json.JsonOk()) << bad;
    }
}

TEST_F(JsonTest, LiteralsAreCaseSensitiveAndNullIsTheSameAsAbsent) {
    EXPECT_EQ(JsonStr(Parse(R"({"t":true,"f":false})"), "t"), "True");
    EXPECT_EQ(JsonStr(Parse(R"({"t":true,"f":false})"), "f"), "False");
    for (const char* bad : {"True", "nul", "fals", "nulll"}) {
        Parse(bad);
        EXPECT_FALSE(json.JsonOk()) << bad;
    }
    const JsonValue v = Parse(R"({"n":null,"o":{},"a":[1]})");
    ASSERT_TRUE(json.JsonOk());
    EXPECT_EQ(JsonMember(v, "n").kind(), JsonValue::Kind::Empty);
    EXPECT_EQ(JsonStr(v, "n"), "");
    EXPECT_EQ(JsonStr(v, "missing"), "");
    EXPECT_EQ(JsonStr(v, "o"), "");  // containers have no text form
    EXPECT_EQ(JsonStr(v, "a"), "");
}

TEST_F(JsonTest, NumbersAreReadLenientlyAndPrintedShortest) {
    const JsonValue v = Parse(R"([1e5, --1, .5, +, 12, 1.5, -1.5e2, 1-2, 1.2.3, 0.1, 123456789012345678, 1e-7, -0])");
    ASSERT_TRUE(json.JsonOk());
    auto text = [&](int i) {
        auto obj = std::make_shared<JsonObject>();
        obj->Set("v", JsonItem(v, i));
        return JsonStr(JsonValue{obj}, "v");
    };
    EXPECT_EQ(text(1), "100000");
    EXPECT_EQ(text(2), "0");
    EXPECT_EQ(text(3), "0.5");
    EXPECT_EQ(text(4), "0");
    EXPECT_EQ(text(5), "12");
    EXPECT_EQ(text(6), "1.5");
    EXPECT_EQ(text(7), "-150");
    EXPECT_EQ(text(8), "1");
    EXPECT_EQ(text(9), "1.2");
    EXPECT_EQ(text(10), "0.1");
    EXPECT_EQ(text(11), "1.23456789012346E+17");
    EXPECT_EQ(text(12), "1E-07");
    EXPECT_EQ(text(13), "0");

    for (const char* bad : {"x", "}", "[,1]"}) {
        Parse(bad);
        EXPECT_FALSE(json.JsonOk()) << bad;
    }
    Parse("-");  // a lone sign is a number token worth 0
    EXPECT_TRUE(json.JsonOk());
}

TEST_F(JsonTest, LenientNumberIgnoresBlanksAndStopsAtTheFirstForeignCharacter) {
    EXPECT_EQ(LenientNumber(" 1 2 "), 12);
    EXPECT_EQ(LenientNumber("3-beta"), 3);
    EXPECT_EQ(LenientNumber("v3"), 0);
    EXPECT_EQ(LenientNumber("1e"), 1);
    EXPECT_EQ(LenientNumber("2.5E+1x"), 25);
    EXPECT_EQ(LenientNumber(""), 0);
    EXPECT_EQ(LenientNumber("1e-400"), 0);  // underflow is just zero
    bool overflow = false;
    EXPECT_EQ(LenientNumber("1e400", &overflow), 0);
    EXPECT_TRUE(overflow);
}

TEST_F(JsonTest, StringEscapesDecodeToUtf8) {
    const JsonValue v =
        Parse(R"(["\u00e9", "\uD83D\uDE00", "\ud83d", "\uDE00x", "a\"b\\c\/d\b\f\n\r\t", "raw é", "\u00E9\u0041",
                "\u0000\u007f\u0080\u07FF\u0800", "\uDFFF\uD7FF\uE000"])");
    ASSERT_TRUE(json.JsonOk());
    EXPECT_EQ(Str(JsonItem(v, 1)), "\xC3\xA9");
    EXPECT_EQ(Str(JsonItem(v, 2)), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Str(JsonItem(v, 3)), "\xEF\xBF\xBD");  // a lone surrogate
    EXPECT_EQ(Str(JsonItem(v, 4)), "\xEF\xBF\xBDx");
    EXPECT_EQ(Str(JsonItem(v, 5)), "a\"b\\c/d\b\f\n\r\t");
    EXPECT_EQ(Str(JsonItem(v, 6)), "raw \xC3\xA9");
    EXPECT_EQ(Str(JsonItem(v, 7)),
              "\xC3\xA9"
              "A");
    // The edges of each UTF-8 length, and of the surrogates.
    EXPECT_EQ(Str(JsonItem(v, 8)), std::string("\0\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80", 9));
    EXPECT_EQ(Str(JsonItem(v, 9)), "\xEF\xBF\xBD\xED\x9F\xBF\xEE\x80\x80");

    for (const char* bad : {R"(["\x"])", R"(["abc)", R"(["abc\)", "\"\\"}) {
        Parse(bad);
        EXPECT_FALSE(json.JsonOk()) << bad;
        EXPECT_EQ(json.JsonError(), "") << bad;
    }
}

TEST_F(JsonTest, ConversionErrorsAbandonTheParseWithADescription) {
    for (const char* bad : {R"(["\u12G4"])", R"(["\u12)", R"({"a":"\u"})", "[1e999]", "-2e400"}) {
        EXPECT_EQ(Parse(bad).kind(), JsonValue::Kind::Empty) << bad;
        EXPECT_FALSE(json.JsonOk()) << bad;
        EXPECT_NE(json.JsonError(), "") << bad;
    }
    Parse("[1]");  // the next parse starts clean
    EXPECT_TRUE(json.JsonOk());
    EXPECT_EQ(json.JsonError(), "");
}

TEST_F(JsonTest, AccessorsNeverFailAndContainersAreShared) {
    const JsonValue root = json.JsonParseObject(R"({"apps":[{"slug":"a"},2,"x"],"self":{"v":"1"}})");
    ASSERT_TRUE(json.JsonOk());
    const JsonValue apps = JsonObj(root, "APPS");
    EXPECT_EQ(JsonCount(apps), 3);
    EXPECT_EQ(JsonStr(JsonItemObj(apps, 1), "slug"), "a");
    EXPECT_EQ(JsonItemObj(apps, 2).kind(), JsonValue::Kind::Empty);  // a number is no container
    EXPECT_EQ(JsonItem(apps, 0).kind(), JsonValue::Kind::Empty);
    EXPECT_EQ(JsonItem(apps, 4).kind(), JsonValue::Kind::Empty);
    EXPECT_EQ(JsonItem(apps, -1).kind(), JsonValue::Kind::Empty);
    EXPECT_EQ(JsonCount(JsonObj(root, "missing")), 0);
    EXPECT_EQ(JsonCount(JsonMember(JsonObj(root, "self"), "v")), 0);
    EXPECT_EQ(JsonStr(apps, "slug"), "");  // keys of an array: absent
    EXPECT_EQ(JsonObj(JsonValue{}, "x").kind(), JsonValue::Kind::Empty);

    // The handle is the container in the tree, not a copy.
    EXPECT_EQ(std::get<std::shared_ptr<JsonArray>>(apps.data).get(),
              std::get<std::shared_ptr<JsonArray>>(JsonMember(root, "apps").data).get());
}

TEST_F(JsonTest, ParseObjectAnswersOnlyContainers) {
    EXPECT_EQ(json.JsonParseObject("[1,2]").kind(), JsonValue::Kind::Array);
    EXPECT_EQ(json.JsonParseObject("\"text\"").kind(), JsonValue::Kind::Empty);
    EXPECT_TRUE(json.JsonOk());  // a valid document, just not a container
    EXPECT_EQ(json.JsonParseObject("{").kind(), JsonValue::Kind::Empty);
    EXPECT_FALSE(json.JsonOk());
}

TEST_F(JsonTest, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    Parse(deep);
    EXPECT_FALSE(json.JsonOk());
    const std::string fine = std::string(200, '[') + std::string(200, ']');
    Parse(fine);
    EXPECT_TRUE(json.JsonOk());
}

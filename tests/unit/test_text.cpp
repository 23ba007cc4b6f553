// The pure helpers and the modules' small parsers, as tables of inputs and answers.
#include <gtest/gtest.h>

#include <stdexcept>

#include "base/CommandLine.h"
#include "base/Hex.h"
#include "base/Loopback.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "startup/Encoders.h"
#include "startup/Pankor.h"

using namespace pankor;

TEST(Text, LinesTrimsAndUtf8) {
    const std::pair<std::string, std::vector<std::string_view>> lines[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}}, {"a\n\nb\r\n", {"a", "", "b"}}, {"\r\r\n", {"", ""}}, {"", {}}};
    for (const auto& [text, want] : lines) EXPECT_EQ(SplitLines(text), want) << text;
    // A view that stops before a line break does not see it.
    EXPECT_EQ(SplitLines(std::string_view("a\n\n", 2)), std::vector<std::string_view>{"a"});
    const std::vector<char> cr{'a', '\r'};  // nor a byte past a view that ends in '\r' (ASan sees a read)
    EXPECT_EQ(SplitLines(std::string_view(cr.data(), cr.size())), std::vector<std::string_view>{"a"});
    EXPECT_EQ(TrimSpaces("  a b \t "), "a b \t");
    EXPECT_EQ(TrimSpaces("   "), "");  // trimming line breaks too: the signature's tests
    // Valid sequences stay; each maximal bad prefix (overlong, surrogate, cut short, beyond U+10FFFF) is one U+FFFD.
    const std::string bad = "\xEF\xBF\xBD", good = "\xC2\x80\xDF\xBF\xE0\xA0\x80\xF4\x8F\xBF\xBF";
    const std::pair<std::string, std::string> utf8[] = {
        {"plain", "plain"},    {good, good},      {"caf\xE9!", "caf" + bad + "!"}, {"\xC1\xBF", bad + bad},
        {"\xED\xA0\x80", bad}, {"\xE2\x82", bad}, {"\xE2\x82x", bad + "x"},        {"\xF4\x90\x80\x80", bad}};
    for (const auto& [in, out] : utf8) EXPECT_EQ(SanitizeUtf8(in), out) << in;
    EXPECT_EQ(LowerFirstCharacter("\xC3\x97"), "\xC3\x97");  // the multiplication sign has no small letter
}

TEST(CommandLine, SplitsAsTheWindowsRuntimeDoes) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"   ", {}},
        {"\"C:\\Program Files\\T\\setup.exe\" /VERYSILENT", {"C:\\Program Files\\T\\setup.exe", "/VERYSILENT"}},
        {"  setup.exe\t/a  /b ", {"setup.exe", "/a", "/b"}},
        // 3 backslashes + quote: 1 backslash, a quote; 2 + quote: 1 backslash, opens quotes; backslashes before
        // no quote stay; "" inside quotes; "" at the very end
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},
        {"p C:\\dir\\ x", {"p", "C:\\dir\\", "x"}},
        {"p \"a\"\"b\" c", {"p", "a\"b", "c"}},
        {"p \"\" x", {"p", "", "x"}},
        {"p \"a\"\"", {"p", "a\""}},
        {"p \"open to the end", {"p", "open to the end"}},
        {"\"C:\\no close", {"C:\\no close"}},
        {"\"C:\\a\\b.exe\"/x", {"C:\\a\\b.exe", "/x"}},
        {"prog", {"prog"}}};
    for (const auto& [line, args] : cases) EXPECT_EQ(SplitCommandLine(line), args) << line;
}

TEST(Addresses, LoopbackHostsAndPublishers) {
    for (const char* host : {"localhost", "LocalHost", "127.0.0.1", "127.0.0.2", "127.255.255.254", "[::1]", "::1"})
        EXPECT_TRUE(IsLoopbackHost(host)) << host;
    for (const char* host : {"", "128.0.0.1", "127.0.0", "127.0.0.1.evil.test", "127.0.0.256", "127.0.0.01x",
                             "127.0.0./", "localhost.evil", "[::2]", "10.0.0.1", "127..0.1", "1127.0.0.1"})
        EXPECT_FALSE(IsLoopbackHost(host)) << host;

    // url, "base host" or why it is refused
    const std::pair<const char*, const char*> urls[] = {
        {"https://tarnwick.com/", "https://tarnwick.com tarnwick.com"},
        {"https://tarnwick.com:8443/staging", "https://tarnwick.com:8443/staging tarnwick.com"},
        {"http://127.0.0.2:8080", "http://127.0.0.2:8080 127.0.0.2"},
        {"HTTP://LOCALHOST:1", "http://LOCALHOST:1 LOCALHOST"},
        {"http://[::1]:9/", "http://[::1]:9 [::1]"},
        {"http://tarnwick.com", "plain http:// is only for loopback hosts"},
        {"ftp://x", "not an https:// address"},
        {"https://u:p@x.test", "an address with credentials, a query or blanks"},
        {"https://x.test/?q=1", "an address with credentials, a query or blanks"},
        {"https://[::1", "a malformed host"},
        {"https://x.test:port", "a malformed host or port"},
        {"https://x.test:", "a malformed host or port"},
        {"https://[::1]x", "a malformed host or port"},
        {"https://:80", "a malformed host or port"}};
    std::string why;
    for (const auto& [url, want] : urls) {
        const auto a = ParsePublisherAddress(url, why);
        EXPECT_EQ(a ? a->base + " " + a->host : why, want) << url;
    }
}

TEST(Paths, SplitAtEitherSlashAndJoinWithTheOneGiven) {
    EXPECT_EQ(JoinPath("/a", "b", '/'), "/a/b");  // with a backslash: the backup folder's name
    const std::pair<const char*, const char*> cases[] = {
        // path, FileNameOf|ParentFolderOf|StemOf
        {"C:\\Apps\\Pankor\\Pankor.exe", "Pankor.exe|C:\\Apps\\Pankor|Pankor"},
        {"Tarnwick/Clock\\clock.tar.gz", "clock.tar.gz|Tarnwick/Clock|clock.tar"},
        {"clock.exe", "clock.exe||clock"},
        {"dir\\.hidden", ".hidden|dir|.hidden"},
        {"a\\", "|a|"}};
    for (const auto& [path, parts] : cases)
        EXPECT_EQ(FileNameOf(path) + "|" + ParentFolderOf(path) + "|" + StemOf(path), parts) << path;
    const std::pair<const char*, const char*> urls[] = {
        {"C:\\Users\\u\\App Data\\icons\\t.bmp", "file:///C:/Users/u/App Data/icons/t.bmp"},
        {"/home/u/.config/t.bmp", "file:///home/u/.config/t.bmp"},
        {"\\\\srv\\home\\t.bmp", "file://///srv/home/t.bmp"},  // a network share keeps both slashes
        {"/", "file:///"}};
    for (const auto& [path, url] : urls) EXPECT_EQ(FileUrlOf(path), url) << path;
    for (const char* name : {"app.log", "Helper.DLL", "ctl.ocx", "types.TLB", "Tool.Exe", "log"})
        EXPECT_TRUE(IsSkippedFile(name)) << name;
    for (const char* name : {"settings.ini", "old.exe.bak", "exe.ini"}) EXPECT_FALSE(IsSkippedFile(name)) << name;
}

TEST(Versions, CompareUpToFourPartsNumerically) {
    // Parts compare as numbers (1.0.0.12 vs 1.0.0.9: the start-up log's check); halves round to even (1.25: 1.2).
    const char* newer[][2] = {{"1.0", ""},     {"2.0", "1.9.9.9"},       {"1.2.0.1", "1.2"}, {"3-beta", "2.9"},
                              {"1. 2", "1.1"}, {"99999999999.0", "1.0"}, {"1.35e-1", "1.3"}};
    const char* older[][2] = {
        {"", "1.0"},         {"1.2.3.4.5", "1.2.3.4.9"}, {"1..3", "1.0.3"},  {"v3", "1"},
        {"1.2.5", "1.2.10"}, {"1.25e-1", "1.2"},         {"1.2", "1.2.0.0"}, {"-99999999999", "-2147483647"}};
    for (const auto& [a, b] : newer) EXPECT_TRUE(IsNewer(a, b)) << a << " vs " << b;
    for (const auto& [a, b] : older) EXPECT_FALSE(IsNewer(a, b)) << a << " vs " << b;
}

TEST(Encoders, JsonEscapeAndUrlDecode) {
    const std::pair<std::string, std::string> escapes[] = {
        {"\r\r\n\n", "\\n\\n\\n"},
        {std::string("\x01/\xC3\xA9<\x1F\0", 7), "\\u0001/\xC3\xA9<\\u001F\\u0000"},
        {std::string("a\xE2\x80\xA8") + "b\xE2\x80\xA9" + "c\xE2\x80\xA7", "a\\u2028b\\u2029c\xE2\x80\xA7"},
        {"\xE2\x80", "\xE2\x80"},
        {"x\xE2\x81\xA8", "x\xE2\x81\xA8"}};
    for (const auto& [in, out] : escapes) EXPECT_EQ(JsonEscape(in), out) << in;  // a cut sequence passes as it is
    const std::pair<const char*, std::optional<std::string>> urls[] = {
        {"a+b%20c", "a b c"},           {"ok%2", "ok%2"},          {"50%", "50%"},
        {"%C3%A9%2B%2b", "\xC3\xA9++"}, {"%E9t", "\xEF\xBF\xBDt"}, {"\xC3\xA9", "\xC3\xA9"},
        {"a%g1b", std::nullopt},        {"%1g", std::nullopt},     {"%+1", std::nullopt}};
    for (const auto& [in, out] : urls) EXPECT_EQ(UrlDecode(in), out) << in;  // Latin-1 bytes are not UTF-8
}

TEST(Hex, DigitsBytesAndHashComparison) {
    const std::pair<char, int> digits[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'f', 15}, {'A', 10}, {'F', 15},
                                           {'g', -1}, {'G', -1}, {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}};
    for (const auto& [c, v] : digits) EXPECT_EQ(HexDigitValue(c), v) << c;
    Bytes b;
    EXPECT_TRUE(HexToBytes(" 0aFf ", b));
    EXPECT_EQ(b, (Bytes{0x0A, 0xFF}));
    for (const char* bad : {"abc", "", "0g", "\t00"}) EXPECT_FALSE(HexToBytes(bad, b)) << bad;
    EXPECT_EQ(UpperHex(0), "0");  // other values, byte order, lower case: the signature's and keyed hash's tests
    const std::string d(64, 'a');
    EXPECT_TRUE(HashEquals(d, "  " + std::string(64, 'A') + " "));
    for (const auto& [x, y] : std::vector<std::pair<std::string, std::string>>{
             {d, d.substr(0, 63)}, {"", ""}, {d, ""}, {"ab", "ac"}, {"a b", "ab"}})
        EXPECT_FALSE(HashEquals(x, y)) << x << " " << y;
}

TEST(KeyFile, LookupAndRewrite) {
    const std::string text =
        "[section]\r\n[z=3\r\n;x=1\r\n'y=2\r\n; consent=commented\r\n=novalue\r\n  Consent  =  yes please  \r\n"
        "consent=second\r\nurl=https://x.test/?a=b\r\nempty=\r\nnoequals\r\nlf=unix\nlast=no line end";
    std::string found;  // "-": no value
    for (const char* key : {"consent", "URL", "empty", "lf", "last", "noequals", "section", "[z", ";x", "'y", ""})
        found += IniLookup(text, key).value_or("-") + "|";
    EXPECT_EQ(found, "yes please|https://x.test/?a=b||unix|no line end|-|-|-|-|-|-|");

    const std::pair<const char*, const char*> rewrites[] = {
        // before, after setting notify=1
        {"a=1\r\n\r\n   \r\nnotify=0\r\nNOTIFY = 5\r\n", "a=1\r\nnotify=1\r\nnotify=1\r\n"},
        {"[main]\r\nfree\r\n; notify=0\r\n[notify=2]", "[main]\r\nfree\r\n; notify=0\r\n[notify=2]\r\nnotify=1\r\n"},
        {"=0\nx", "=0\r\nx\r\nnotify=1\r\n"},
        {"", "notify=1\r\n"}};
    for (const auto& [before, after] : rewrites) EXPECT_EQ(IniRewrite(before, "notify", "1"), after) << before;
}

TEST(Handoff, SlugsAndStampedLines) {
    // More slugs are the installed argument's rows; here the ends of each range of characters.
    for (const char* good : {"0-9", "az09AZ"}) EXPECT_TRUE(IsPlainSlug(good)) << good;
    for (const std::string& bad :
         {std::string(33, 'a'), std::string(), std::string("\xC3\xA9t"), std::string("a/b"), std::string("a:"),
          std::string("@"), std::string("[a]"), std::string("a`"), std::string("{")})
        EXPECT_FALSE(IsPlainSlug(bad)) << bad;
    EXPECT_EQ(FormatHandoffLine({2031, 1, 2, 3, 4, 5}, "installed=x"), "2031-01-02 03:04:05|installed=x\r\n");
    const DateTime now{2032, 1, 1, 0, 0, 29};
    // line, fresh, age, command: 30 s across the year (or ahead) fresh and trimmed, 31 s stale and as written; a bad
    // stamp or separator: fresh. Lines without a command: the handoff's own rows.
    const std::tuple<const char*, bool, long long, const char*> lines[] = {
        {"2031-12-31 23:59:59| x ", true, 30, "x"}, {"2031-12-31 23:59:58| x ", false, 31, " x "},
        {"2032-01-01 00:00:59|x", true, 30, "x"},   {"not a time|x", true, 0, "x"},
        {"2031-02-30 10:00:00|x", true, 0, "x"},    {"2020-01-01T00:00:00|x", true, 0, "x"},
        {"2020/01-01 00:00:00|x", true, 0, "x"},    {"2020-01/01 00:00:00|x", true, 0, "x"},
        {"2020-01-01 00-00:00|x", true, 0, "x"},    {"2020-01-01 00:00-00|x", true, 0, "x"},
        {"2020-01-01 00:00:000|x", true, 0, "x"},   {"2020-01-01 0a:00:00|x", true, 0, "x"}};
    for (const auto& [line, fresh, age, command] : lines) {
        const HandoffLine h = ParseHandoffLine(line, now);
        EXPECT_EQ(std::tuple(h.valid, h.fresh, h.ageSeconds, h.command), std::tuple(true, fresh, age, command)) << line;
    }
}

namespace {
std::string g_closed;
struct CountingTraits {
    using Handle = int;
    static int Invalid() noexcept { return 0; }
    static void Close(int h) noexcept { g_closed += std::to_string(h) + " "; }
};
}  // namespace

TEST(Guards, HandlesCloseOnceAndErrorsBecomeTheFallback) {
    {
        UniqueHandle<CountingTraits> a(7);
        UniqueHandle<CountingTraits> b(std::move(a));  // a left holding 7 would close it again
        b = UniqueHandle<CountingTraits>(8);           // closes 7
        EXPECT_EQ(b.Release(), 8);                     // handed on: not closed here
        UniqueHandle<CountingTraits> c;
        *c.Out() = 9;
    }
    EXPECT_EQ(g_closed, "7 9 ");

    std::string answers;
    const auto report = [&](const std::string& why) { answers += why + " "; };
    for (const auto& call : std::initializer_list<int (*)()>{
             [] { return 7; }, []() -> int { throw std::runtime_error("disk on fire"); }, []() -> int { throw 42; }})
        answers += std::to_string(GuardedOr(5, call, report)) + " ";
    Guarded([] { throw std::bad_alloc(); }, [&](const std::string&) { throw 1; });  // a failing report is dropped
    EXPECT_EQ(answers, "7 disk on fire 5 unknown error 5 ");
}

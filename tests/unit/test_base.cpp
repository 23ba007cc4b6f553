// The helpers below the core: switches, the loopback rule, paths, handles,
// and the guard that keeps errors inside a routine.
#include <gtest/gtest.h>

#include <stdexcept>

#include "base/Guard.h"
#include "base/Loopback.h"
#include "base/Paths.h"
#include "base/Switches.h"
#include "base/UniqueHandle.h"

using namespace pankor;

TEST(Switches, FoundAnywhereIgnoringCaseAndShapedByTheirRule) {
    struct Case {
        const char* line;
        const char* word;  // SwitchWord("/installed="), "-" when absent
        const char* rest;  // SwitchRest("/installed=")
    };
    const Case cases[] = {
        {"/installed=Clock-Pro", "Clock-Pro", "Clock-Pro"},
        {"/tray /INSTALLED=abc /debug", "abc", "abc /debug"},
        {"/installed=\"clock pro\"", "clock", "clock pro"},
        {"/installed=  x", "", "x"},
        {"/tray", "-", "-"},
        {"/installed=a /installed=b", "a", "a /installed=b"},  // the first occurrence
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SwitchWord(c.line, "/installed=").value_or("-"), c.word) << c.line;
        EXPECT_EQ(SwitchRest(c.line, "/installed=").value_or("-"), c.rest) << c.line;
    }
    EXPECT_TRUE(HasSwitch("x /DEBUGGER y", "/debug"));
    EXPECT_FALSE(HasSwitch("/debu g", "/debug"));
}

TEST(IsLoopbackHost, LocalhostTheWhole127NetworkAndTheIpv6Loopback) {
    for (const char* host : {"localhost", "LocalHost", "127.0.0.1", "127.0.0.2", "127.255.255.254", "[::1]", "::1"})
        EXPECT_TRUE(IsLoopbackHost(host)) << host;
    for (const char* host : {"", "128.0.0.1", "127.0.0", "127.0.0.1.evil.test", "127.0.0.256", "127.0.0.01x",
                             "localhost.evil", "[::2]", "10.0.0.1", "127..0.1", "1127.0.0.1"})
        EXPECT_FALSE(IsLoopbackHost(host)) << host;
}

TEST(Paths, SplitAtEitherSlashAndJoinWithTheOneGiven) {
    EXPECT_EQ(JoinPath("C:\\a", "b.ini", '\\'), "C:\\a\\b.ini");
    EXPECT_EQ(JoinPath("/a", "b", '/'), "/a/b");
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        // path, FileNameOf, ParentFolderOf, StemOf
        {"C:\\Apps\\Pankor\\Pankor.exe", "Pankor.exe", "C:\\Apps\\Pankor", "Pankor"},
        {"/opt/pankor/pankor", "pankor", "/opt/pankor", "pankor"},
        {"Tarnwick/Clock\\clock.tar.gz", "clock.tar.gz", "Tarnwick/Clock", "clock.tar"},
        {"clock.exe", "clock.exe", "", "clock"},
        {"dir\\.hidden", ".hidden", "dir", ".hidden"},
        {"a\\", "", "a", ""},
    };
    for (const auto& [path, name, parent, stem] : cases) {
        EXPECT_EQ(FileNameOf(path), name) << path;
        EXPECT_EQ(ParentFolderOf(path), parent) << path;
        EXPECT_EQ(StemOf(path), stem) << path;
    }
}

namespace {
int g_closed = 0;
struct CountingTraits {
    using Handle = int;
    static int Invalid() noexcept { return 0; }
    static void Close(int) noexcept { ++g_closed; }
};
}  // namespace

TEST(UniqueHandle, ClosesEachHandleExactlyOnce) {
    g_closed = 0;
    {
        UniqueHandle<CountingTraits> a(7);
        UniqueHandle<CountingTraits> b(std::move(a));
        EXPECT_FALSE(a.Valid());
        EXPECT_EQ(b.Get(), 7);
        b = UniqueHandle<CountingTraits>(8);  // closes 7
        EXPECT_EQ(g_closed, 1);
        EXPECT_EQ(b.Release(), 8);  // handed on: not closed here
        UniqueHandle<CountingTraits> c;
        *c.Out() = 9;
    }
    EXPECT_EQ(g_closed, 2);
}

TEST(Guarded, AnEscapingErrorBecomesTheFallbackAndOneReport) {
    std::vector<std::string> reports;
    const auto report = [&](const std::string& why) { reports.push_back(why); };
    EXPECT_EQ(GuardedOr(5, [] { return 7; }, report), 7);
    EXPECT_EQ(GuardedOr(5, []() -> int { throw std::runtime_error("disk on fire"); }, report), 5);
    EXPECT_EQ(GuardedOr(5, []() -> int { throw 42; }, report), 5);
    Guarded([] { throw std::bad_alloc(); }, [&](const std::string&) { throw 1; });  // a failing report is dropped
    EXPECT_EQ(reports, (std::vector<std::string>{"disk on fire", "unknown error"}));
}

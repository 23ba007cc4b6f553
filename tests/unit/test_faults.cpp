// No error escapes a routine: a failed allocation (the platform cannot throw) becomes its catch-all line and fallback.
#include <cstdlib>
#include <functional>
#include <new>
#include <utility>

#include "Fixture.h"

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // free() pairs with the malloc() below
#endif

namespace {
thread_local int g_failIn = 0;  // allocations of the code under test until one fails; 0: none
}  // namespace

void* operator new(std::size_t n) {
    if (g_failIn > 0 && pankor::fakes::quietDepth == 0 && --g_failIn == 0) throw std::bad_alloc();
    if (void* p = std::malloc(n != 0 ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return ::operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using FaultTest = AppTest;

TEST_F(FaultTest, EachCatchAllLogsItsLineAndAnswersItsFallback) {
    Publish("{\"serial\": 1, \"apps\": [{\"slug\": \"a\"}]}");
    fake.processes.names = {"a-rather-long-name.exe"};
    app.probe.SnapshotProcesses();
    app.process.RunDir = "C:\\Apps\\Pankor\\with a long name";
    fake.fs.files[app.process.RunDir + "\\Pankor.exe"] = "MZ";
    fake.icons.sized[app.process.RunDir + "\\Pankor.exe"] = 77;
    fake.fs.files[app.telemetry.TelemetryPath()] = "consent=1\r\n";
    std::string why;
    const Bytes data{'x'};
    const std::pair<std::function<bool()>, std::string> cases[] = {
        {[&] { return app.hash.KeyedHash(data, kInstallerHashKey).empty(); }, "KeyedHash failed: "},
        {[&] { return !app.catalog.LoadCatalog() && app.catalog.AppCount == 0; }, "LoadCatalog error: "},
        {[&] { return !app.catalog.UsePublisher("https://a-long-host-name.test/staging", why); },
         "UsePublisher failed: "},
        {[&] { return !app.probe.IsRunning("a-rather-long-name.exe"); }, "IsRunning failed: "},
        {[&] { return app.icons.OwnIcon(16, 16) == 0; }, "OwnIcon failed: "},
        {[&] {
             app.probe.SnapshotProcesses();
             return !app.probe.IsRunning("a-rather-long-name.exe");
         },
         "SnapshotProcesses failed: "},
        {[&] { return app.instance.HandoffPath().empty(); }, "HandoffPath failed: "},
        {[&] { return app.telemetry.ConsentState() == -1; }, "ConsentState failed: "},
        {[&] {
             app.main.SetBrowserFeatures();
             return fake.registry.values.empty();
         },
         "SetBrowserFeatures failed: "},
    };
    for (const auto& [call, line] : cases) {
        ClearLog();
        g_failIn = 1;  // the routine's first allocation fails
        const bool fellBack = call();
        const bool failed = std::exchange(g_failIn, 0) == 0;
        EXPECT_TRUE(failed && fellBack) << line;
        EXPECT_EQ(LogLines(), Lines{line + "std::bad_alloc"});
        EXPECT_FALSE(call()) << line;  // and works again afterwards
    }
}

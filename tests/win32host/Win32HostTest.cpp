// The host's glue under Wine: unload and loop, timers, the tray record, the browser control in our OLE
// container and the shell's folder browser. No HTML engine here: the control navigates, no document comes.
#include <gtest/gtest.h>

#include <exdispid.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/win32/host/Win32Browser.h"
#include "platform/win32/host/Win32BrowserSite.h"
#include "platform/win32/host/Win32FolderPicker.h"
#include "platform/win32/host/Win32MainWindow.h"
#include "platform/win32/host/Win32TrayIcon.h"

namespace pankor {
namespace {

using namespace win32host;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

bool PumpUntil(HostLoop& loop, const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + 5000;
    for (loop.Pump(); !done(); loop.Pump()) {
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return true;
}

bool QuitQueued(UINT remove = PM_NOREMOVE) {
    MSG quit;
    return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, remove) != FALSE;
}

// Every test's windows end with the thread's quit request: none may inherit the one before.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        while (QuitQueued(PM_REMOVE)) {}
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override { OleUninitialize(); }
    void Tick(TimerId id) { PostMessageW(main.Hwnd(), WM_TIMER, static_cast<WPARAM>(id) + 1, 0); }
    HostLoop loop;
    MainWindow main{Instance(), loop};
};

// Every event as a line; `then` runs inside the handler, after the line is added.
struct Recorder final : IMainWindowEvents, ITimerEvents, ITrayWindowEvents, ITrayEvents, IBrowserEvents {
    std::vector<std::string> calls;
    std::function<void(const std::string&)> then;
    bool cancelCommands = true;
    void Add(const std::string& call) {
        calls.push_back(call);
        if (then) then(call);
    }
    void OnResized() noexcept override {}
    void OnUnloading() noexcept override { Add("unloading"); }
    void OnTimer(TimerId id) noexcept override { Add("tick " + std::to_string(static_cast<int>(id))); }
    void OnTrayEvent(int code) noexcept override { Add("tray " + std::to_string(code)); }
    void OnBeforeNavigate(const std::string& url, bool& cancel) noexcept override {
        if (url.rfind("app:", 0) == 0) cancel = cancelCommands;
        Add("before " + url);
    }
    void OnDocumentComplete(const std::string& url) noexcept override { Add("complete " + url); }
    void OnNavigateError(const std::string& url) noexcept override { Add("error " + url); }
    int Count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
};

TEST_F(HostTest, UnloadingDestroysTheTrayFirstOnceEachAndANestedPumpLeavesTheQuit) {
    TrayIcon tray(Instance(), loop);
    Recorder mainEvents, trayEvents;
    main.SetEvents(&mainEvents, &mainEvents);
    tray.SetEvents(&trayEvents);
    bool mainExisted = false;
    trayEvents.then = [&](const std::string&) { mainExisted = main.Exists(); };
    loop.UnloadWindows();
    EXPECT_EQ(std::tuple(mainExisted, mainEvents.calls, trayEvents.calls, loop.TrackedCount()),
              std::tuple(true, std::vector<std::string>{"unloading"}, std::vector<std::string>{"unloading"}, 0));
    loop.Pump();  // a nested wait returns and leaves the quit for the loop that carries the process
    EXPECT_TRUE(QuitQueued());
    EXPECT_FALSE(tray.Add(0, "Pankor", trayEvents));
}

TEST_F(HostTest, TimersDropStaleTicksKeepTheirIntervalAndNeverReenterTheirOwnHandler) {
    Recorder events;
    main.SetEvents(&events, &events);
    main.Enable(TimerId::Poll, 60000);
    main.Enable(TimerId::Poll, 10);  // already running: stays at a minute
    main.Enable(TimerId::Nav, 20);
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("tick 0") >= 3; }));
    main.Disable(TimerId::Nav);
    const int navTicks = events.Count("tick 0");
    Tick(TimerId::Nav);  // queued before its timer stopped: dropped
    loop.Pump();
    EXPECT_EQ(std::pair(events.Count("tick 0"), events.Count("tick 6")), std::pair(navTicks, 0));  // Poll not yet

    // A handler that waits in a pump sees no tick of its own timer, only others'.
    main.Enable(TimerId::Live, 10);
    main.Enable(TimerId::Watch, 60000);
    bool othersTicked = false;
    events.then = [&](const std::string& call) {
        if (call != "tick 4" || events.Count(call) > 1) return;
        Tick(TimerId::Watch);
        othersTicked = PumpUntil(loop, [&] { return events.Count("tick 3") >= 2; });
    };
    Tick(TimerId::Watch);
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("tick 4") >= 1; }));
    EXPECT_TRUE(othersTicked && events.Count("tick 4") == 1);

    // The timers go with the window, and none starts without it.
    DestroyWindow(main.Hwnd());
    main.Enable(TimerId::Handoff, 1000);
    EXPECT_FALSE(main.IsEnabled(TimerId::Live) || main.IsEnabled(TimerId::Handoff));
}

TEST_F(HostTest, TheTrayRecordHasTheProductsLayoutABalloonOnlyItsFieldsAndCodesComeBackDecoded) {
    TrayIcon tray(Instance(), loop);
    Recorder events;
    const HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    ASSERT_TRUE(tray.Add(reinterpret_cast<IconHandle>(icon), "Pankor", events));
    const NOTIFYICONDATAA& r = tray.Record();
    // The 32-bit product's 488-byte layout; the same fields with 8-byte handles on x86_64.
    EXPECT_EQ(
        std::tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon),
        std::tuple(sizeof(void*) == 8 ? 504u : 488u, tray.Hwnd(),
                   static_cast<UINT>(reinterpret_cast<std::uintptr_t>(Instance())), 7u, kTrayCallbackMessage, icon));
    EXPECT_NE(tray.SetVersion(3), 0);
    EXPECT_EQ(r.uVersion, 0u);  // back to 0 after the call, as uFlags (no NIF_INFO) after a balloon
    EXPECT_NE(tray.Balloon("Tarnwick updates", "Clock 2.0 is available.", 10000), 0);
    EXPECT_EQ(
        std::tuple(std::string(r.szInfoTitle) + "|" + r.szInfo + "|" + r.szTip, r.uTimeout, r.dwInfoFlags, r.uFlags),
        std::tuple("Tarnwick updates|Clock 2.0 is available.|Pankor", 10000u, DWORD{NIIF_INFO}, 7u));
    // The code is lParam's low word (its high word holds the icon id in the newer form).
    SendMessageW(tray.Hwnd(), kTrayCallbackMessage, r.uID, MAKELPARAM(0x202, 0));
    SendMessageW(tray.Hwnd(), kTrayCallbackMessage, r.uID, MAKELPARAM(0x405, 7));
    SendMessageW(tray.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(0x203, 0));
    EXPECT_EQ(events.calls, (std::vector<std::string>{"tray 514", "tray 1029"}));
    tray.Remove();
    EXPECT_EQ(tray.Balloon("again", "no icon any more", 10000), 0);
}

TEST(TrayTextTest, AnsiFieldsAreCutAtWholeCharactersWithTheirNul) {
    using Case = std::tuple<std::string, std::size_t, std::string>;  // text, field size, what the field holds
    for (const auto& [text, n, want] : {Case{"Tarnwick updates", 8, "Tarnwic"}, Case{"ab\xF0\x9F\x98\x80", 4, "ab"}}) {
        std::string field(n, '#');  // without a NUL of its own the field reads as all of it
        CopyAnsi(field.data(), n, text);
        EXPECT_EQ(std::string(field.c_str()), want);
    }
}

TEST_F(HostTest, OneControlPerWindowCancelledCommandsGoNowhereAndItCanBeReleasedInItsOwnEvent) {
    Browser browser(main.Hwnd());
    Recorder events;
    const Status created = browser.Create(events);
    ASSERT_TRUE(created.ok()) << created.code() << " " << created.error();
    EXPECT_FALSE(browser.Create(events).ok());  // one control per window
    // Without a document the page can be neither called nor read.
    const Status ran = browser.RunScript("window.pk.setDpi(100);");
    EXPECT_FALSE(browser.HasDocument() || ran.ok() || ran.error().empty() || browser.ElementValue("isText").ok() ||
                 browser.Metrics().has_value());

    ASSERT_TRUE(browser.Navigate("app:refresh").ok());
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("before app:refresh") == 1; }));
    events.cancelCommands = false;  // let through, it fails (no such scheme) and says so
    ASSERT_TRUE(browser.Navigate("app:min").ok());
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("error app:min") == 1; }));
    EXPECT_EQ(events.Count("error app:refresh"), 0);

    bool createdDuring = true;
    events.cancelCommands = true;
    events.then = [&](const std::string& call) {
        if (call != "before app:quit") return;
        browser.Release();  // the window's unload, as "quit" runs it inside the event
        createdDuring = browser.Created();
    };
    ASSERT_TRUE(browser.Navigate("app:quit").ok());
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("before app:quit") == 1; }));
    EXPECT_FALSE(createdDuring || browser.Created());
    EXPECT_EQ(GetWindow(main.Hwnd(), GW_CHILD), nullptr);
    EXPECT_FALSE(browser.Navigate("C:\\windows\\win.ini").ok());
    EXPECT_EQ(browser.Location(), "");
}

// The sink reads the arguments last first, the URL as a VARIANT by reference. (BeforeNavigate2 and
// NavigateError come through the real control above; DocumentComplete needs an HTML engine.)
TEST(BrowserEventSinkTest, DocumentCompleteIsDecodedOthersAndShortCallsIgnoredNothingAfterDetach) {
    Recorder events;
    auto* sink = new BrowserEventSink(&events);
    const auto call = [&](DISPID id, const wchar_t* url) {  // (the control's IDispatch, left empty; URL)
        VARIANT args[2]{}, holder{};
        holder.vt = VT_BSTR;
        holder.bstrVal = SysAllocString(url);
        args[0].vt = VT_BYREF | VT_VARIANT;
        args[0].pvarVal = &holder;
        DISPPARAMS params{args, nullptr, 2, 0};
        EXPECT_EQ(sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
        VariantClear(&holder);
    };
    call(DISPID_DOCUMENTCOMPLETE, L"file:///C:/Pankor/ui/index.html");
    call(DISPID_BEFORENAVIGATE2, L"app:malformed");  // too few arguments: ignored
    call(DISPID_NEWWINDOW2, L"app:other");
    sink->Detach();  // the browser host is gone: events stop
    call(DISPID_DOCUMENTCOMPLETE, L"file:///after");
    EXPECT_EQ(events.calls, std::vector<std::string>{"complete file:///C:/Pankor/ui/index.html"});
    sink->Release();
}

void AnswerDialog(const std::wstring& select) {
    HWND dialog = nullptr;
    for (int i = 0; i < 200 && !(dialog = FindWindowW(L"#32770", nullptr)); ++i) Sleep(25);  // nothing to wait on
    if (!dialog) return;
    if (!select.empty()) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select.c_str()));
    PostMessageW(dialog, WM_COMMAND, select.empty() ? IDCANCEL : IDOK, 0);
}

TEST_F(HostTest, TheChosenFolderComesBackAsAPathAndACancelAsNothing) {
    FolderPicker picker;
    picker.SetOwner(main.Hwnd());
    for (const auto& [select, want] : {std::pair(L"C:\\windows", "C:\\windows"), std::pair(L"", "")}) {
        std::thread user(AnswerDialog, select);
        EXPECT_EQ(picker.PickFolder("Where should the backup go?"), want);
        user.join();
    }
}

}  // namespace
}  // namespace pankor

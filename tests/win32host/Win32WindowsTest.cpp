// The host's windows against the real system (under Wine): the message
// loop and the process life, the main window and its timers, the tray.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "platform/win32/host/Win32MainWindow.h"
#include "platform/win32/host/Win32TrayIcon.h"

namespace pankor {
namespace {

using test::PumpUntil;
using namespace win32host;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

using Win32HostLoopTest = test::HostTest;
using Win32MainWindowTest = test::HostTest;
using Win32TrayIconTest = test::HostTest;

struct RecordingEvents final : IMainWindowEvents, ITimerEvents, ITrayWindowEvents, ITrayEvents {
    std::vector<std::string> calls;
    std::function<void(TimerId)> onTimer;
    void OnResized() noexcept override { calls.push_back("resized"); }
    void OnUnloading() noexcept override { calls.push_back("unloading"); }
    void OnFocused() noexcept override { calls.push_back("focused"); }
    void OnTimer(TimerId id) noexcept override {
        calls.push_back("tick " + std::to_string(static_cast<int>(id)));
        if (onTimer) onTimer(id);
    }
    void OnTrayEvent(int code) noexcept override { calls.push_back("tray " + std::to_string(code)); }
    int Count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
};

TEST_F(Win32HostLoopTest, TheLoopEndsWhenTheLastOfItsWindowsIsGoneInAnyOrder) {
    for (const bool trayFirst : {true, false}) {
        HostLoop loop;
        MainWindow main(Instance(), loop);
        TrayIcon tray(Instance(), loop);
        ASSERT_TRUE(main.Exists() && tray.Exists());
        EXPECT_EQ(loop.TrackedCount(), 2);
        // A close from outside, as the system or an installer sends it.
        PostMessageW(trayFirst ? tray.Hwnd() : main.Hwnd(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil(loop, [&] { return loop.TrackedCount() == 1; }));
        // One window left: no quit yet, so a pump finds nothing to end on.
        MSG quit;
        EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
        PostMessageW(trayFirst ? main.Hwnd() : tray.Hwnd(), WM_CLOSE, 0, 0);
        EXPECT_EQ(loop.Run(), 0);  // returns: both are gone
        EXPECT_FALSE(main.Exists() || tray.Exists());
    }
}

TEST_F(Win32HostLoopTest, UnloadWindowsDestroysTheTrayBeforeTheMainWindowAndEndsTheLoop) {
    HostLoop loop;
    RecordingEvents mainEvents, trayEvents;
    MainWindow main(Instance(), loop);
    TrayIcon tray(Instance(), loop);
    main.SetEvents(&mainEvents, &mainEvents);
    // The tray's unload handler sees the main window still there.
    struct TrayCheck final : ITrayWindowEvents {
        MainWindow* main;
        bool mainExisted = false;
        void OnUnloading() noexcept override { mainExisted = main->Exists(); }
    } check;
    check.main = &main;
    tray.SetEvents(&check);
    loop.UnloadWindows();
    EXPECT_TRUE(check.mainExisted);
    EXPECT_EQ(mainEvents.Count("unloading"), 1);
    EXPECT_EQ(loop.TrackedCount(), 0);
    EXPECT_EQ(loop.Run(), 0);
}

TEST_F(Win32HostLoopTest, PumpDispatchesWhatIsQueuedAndLeavesAQuitForTheOuterLoop) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    RecordingEvents events;
    main.SetEvents(&events, &events);
    main.Enable(TimerId::Live, 60000);
    // A tick delivered by hand stands for one that is due.
    PostMessageW(main.Hwnd(), WM_TIMER, static_cast<WPARAM>(TimerId::Live) + 1, 0);
    PostQuitMessage(7);
    PostMessageW(main.Hwnd(), WM_TIMER, static_cast<WPARAM>(TimerId::Live) + 1, 0);
    loop.Pump();
    // The quit stays for the loop that carries the process.
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_GE(events.Count("tick 3"), 1);
    loop.Pump();  // and nothing waits when nothing is queued
    EXPECT_EQ(events.Count("tick 3"), 2);
}

TEST_F(Win32MainWindowTest, ABorderlessWindowCaptionedPankorPlacedInPixels) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    ASSERT_TRUE(main.Exists());
    wchar_t caption[32] = {};
    GetWindowTextW(main.Hwnd(), caption, 32);
    EXPECT_STREQ(caption, L"Pankor");
    const LONG_PTR style = GetWindowLongPtrW(main.Hwnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_FALSE(main.IsVisible());  // created hidden

    RecordingEvents events;
    main.SetEvents(&events, &events);
    main.Place(40, 30, 700, 500);
    RECT r{};
    GetWindowRect(main.Hwnd(), &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 500);
    EXPECT_EQ(main.ClientSize().width, 700);  // no frame: the client is the window
    EXPECT_EQ(main.ClientSize().height, 500);
    EXPECT_GE(events.Count("resized"), 1);
    EXPECT_EQ(main.ScreenSize().width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(main.Handle(), reinterpret_cast<std::uintptr_t>(main.Hwnd()));
}

TEST_F(Win32MainWindowTest, ShownHiddenMinimisedAndRestored) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    RecordingEvents events;
    main.SetEvents(&events, &events);
    main.Show();
    EXPECT_TRUE(main.IsVisible());
    EXPECT_TRUE(IsWindowVisible(main.Hwnd()));
    // The keyboard focus is handed on (to the page, in the product).
    SetFocus(main.Hwnd());
    EXPECT_GE(events.Count("focused"), 1);
    main.Minimise();
    EXPECT_TRUE(main.IsMinimised());
    main.Restore();
    EXPECT_FALSE(main.IsMinimised());
    EXPECT_TRUE(main.IsVisible());
    main.Hide();
    EXPECT_FALSE(main.IsVisible());
    EXPECT_FALSE(main.IsForeground());  // a hidden window is not in front
    main.Flash(true);                   // neither may fail on a hidden window
    main.Flash(false);
}

TEST_F(Win32MainWindowTest, IconsAreSetAsGivenAndZeroOrOneLeavesThemAlone) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    const HICON big =
        CreateIcon(Instance(), 32, 32, 1, 1, std::vector<BYTE>(128, 0xFF).data(), std::vector<BYTE>(128, 0).data());
    const HICON small =
        CreateIcon(Instance(), 16, 16, 1, 1, std::vector<BYTE>(32, 0xFF).data(), std::vector<BYTE>(32, 0).data());
    ASSERT_TRUE(big && small);
    main.SetIcons(reinterpret_cast<IconHandle>(big), reinterpret_cast<IconHandle>(small));
    EXPECT_EQ(SendMessageW(main.Hwnd(), WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));
    EXPECT_EQ(SendMessageW(main.Hwnd(), WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small));
    EXPECT_EQ(main.DefaultIcon(), reinterpret_cast<IconHandle>(big));
    main.SetIcons(1, 0);
    EXPECT_EQ(SendMessageW(main.Hwnd(), WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));
    EXPECT_EQ(SendMessageW(main.Hwnd(), WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small));
    DestroyWindow(main.Hwnd());
    DestroyIcon(big);
    DestroyIcon(small);
}

TEST_F(Win32MainWindowTest, TimersTickOnTheWindowUntilDisabled) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    RecordingEvents events;
    main.SetEvents(&events, &events);
    main.Enable(TimerId::Nav, 20);
    main.Enable(TimerId::Boot, 30);
    EXPECT_TRUE(main.IsEnabled(TimerId::Nav));
    EXPECT_FALSE(main.IsEnabled(TimerId::Poll));
    // Boot disables itself on its first tick, as the core's boot tick does.
    events.onTimer = [&](TimerId id) {
        if (id == TimerId::Boot) main.Disable(TimerId::Boot);
    };
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("tick 0") >= 3 && events.Count("tick 1") >= 1; }));
    EXPECT_EQ(events.Count("tick 1"), 1);
    EXPECT_FALSE(main.IsEnabled(TimerId::Boot));

    main.Disable(TimerId::Nav);
    const int ticks = events.Count("tick 0");
    // A tick that was already queued when its timer stopped is dropped.
    PostMessageW(main.Hwnd(), WM_TIMER, static_cast<WPARAM>(TimerId::Nav) + 1, 0);
    loop.Pump();
    EXPECT_EQ(events.Count("tick 0"), ticks);
}

TEST_F(Win32MainWindowTest, EnablingARunningTimerKeepsItsIntervalAndATickDoesNotReenterItself) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    RecordingEvents events;
    main.SetEvents(&events, &events);
    main.Enable(TimerId::Poll, 60000);
    main.Enable(TimerId::Poll, 10);  // already running: stays at a minute
    main.Enable(TimerId::Live, 10);
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("tick 3") >= 2; }));
    EXPECT_EQ(events.Count("tick 6"), 0);

    // A handler that waits in a pump sees no tick of its own timer, only others'.
    int nested = 0;
    events.onTimer = [&](TimerId id) {
        if (id != TimerId::Watch || nested++ > 0) return;
        PostMessageW(main.Hwnd(), WM_TIMER, static_cast<WPARAM>(TimerId::Watch) + 1, 0);
        PumpUntil(loop, [&] { return events.Count("tick 3") >= 4; });
    };
    main.Enable(TimerId::Watch, 60000);
    const int before = events.Count("tick 3");
    PostMessageW(main.Hwnd(), WM_TIMER, static_cast<WPARAM>(TimerId::Watch) + 1, 0);
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Count("tick 4") >= 1; }));
    EXPECT_EQ(events.Count("tick 4"), 1);
    EXPECT_GE(events.Count("tick 3"), before + 2);
}

TEST_F(Win32MainWindowTest, UnloadingStopsTheTimersAndLeavesEveryCallHarmless) {
    HostLoop loop;
    MainWindow main(Instance(), loop);
    RecordingEvents events;
    main.SetEvents(&events, &events);
    main.Enable(TimerId::Handoff, 1000);
    DestroyWindow(main.Hwnd());
    EXPECT_EQ(events.Count("unloading"), 1);
    EXPECT_FALSE(main.Exists());
    EXPECT_FALSE(main.IsEnabled(TimerId::Handoff));
    main.Enable(TimerId::Handoff, 1000);
    EXPECT_FALSE(main.IsEnabled(TimerId::Handoff));
    main.Show();
    main.Place(0, 0, 10, 10);
    main.BeginDrag();
    EXPECT_FALSE(main.IsVisible());
    EXPECT_EQ(main.ClientSize().width, 0);
    EXPECT_EQ(main.DefaultIcon(), 0u);
}

TEST_F(Win32TrayIconTest, TheRecordCarriesWindowIdCallbackAndTipAndTheCodesComeBack) {
    HostLoop loop;
    TrayIcon tray(Instance(), loop);
    RecordingEvents events;
    const HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    ASSERT_TRUE(tray.Add(reinterpret_cast<IconHandle>(icon), "Pankor", events));
    const NOTIFYICONDATAA& r = tray.Record();
    EXPECT_EQ(r.cbSize, static_cast<DWORD>(tray.RecordSize()));
#ifdef _WIN64
    EXPECT_EQ(tray.RecordSize(), 504);  // the same fields as the 32-bit product's 488 bytes, with 8-byte handles
#else
    EXPECT_EQ(tray.RecordSize(), 488);
#endif
    EXPECT_EQ(r.hWnd, tray.Hwnd());
    EXPECT_EQ(r.uID, static_cast<UINT>(reinterpret_cast<std::uintptr_t>(Instance())));
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_EQ(r.uCallbackMessage, kTrayCallbackMessage);
    EXPECT_EQ(r.hIcon, icon);
    EXPECT_STREQ(r.szTip, "Pankor");
    EXPECT_FALSE(IsWindowVisible(tray.Hwnd()));

    EXPECT_NE(tray.SetVersion(3), 0);
    EXPECT_EQ(r.uVersion, 0u);  // back to 0 after the call

    // The shell's callbacks: the code in lParam's low word (its high word
    // holds the icon id in the newer callback form).
    SendMessageW(tray.Hwnd(), kTrayCallbackMessage, r.uID, MAKELPARAM(0x202, 0));
    SendMessageW(tray.Hwnd(), kTrayCallbackMessage, r.uID, MAKELPARAM(0x405, 7));
    SendMessageW(tray.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(0x203, 0));  // not the callback message
    EXPECT_EQ(events.calls, (std::vector<std::string>{"tray 514", "tray 1029"}));
    tray.Remove();
}

TEST_F(Win32TrayIconTest, ABalloonChangesOnlyItsOwnFieldsAndFailsOnceTheIconIsGone) {
    HostLoop loop;
    TrayIcon tray(Instance(), loop);
    RecordingEvents events;
    ASSERT_TRUE(tray.Add(reinterpret_cast<IconHandle>(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION))),
                         "Pankor", events));
    EXPECT_NE(tray.Balloon("Tarnwick updates", "Clock 2.0 is available.", 10000), 0);
    const NOTIFYICONDATAA& r = tray.Record();
    EXPECT_EQ(r.uFlags, 7u);  // NIF_INFO only during the call
    EXPECT_STREQ(r.szInfoTitle, "Tarnwick updates");
    EXPECT_STREQ(r.szInfo, "Clock 2.0 is available.");
    EXPECT_EQ(r.uTimeout, 10000u);
    EXPECT_EQ(r.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_STREQ(r.szTip, "Pankor");
    tray.Remove();
    EXPECT_EQ(tray.Balloon("again", "no icon any more", 10000), 0);
}

TEST_F(Win32TrayIconTest, ClosingTheTrayWindowRunsItsUnloadHandlerOnce) {
    HostLoop loop;
    TrayIcon tray(Instance(), loop);
    RecordingEvents events;
    tray.SetEvents(&events);
    SendMessageW(tray.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(events.Count("unloading"), 1);
    EXPECT_FALSE(tray.Exists());
    EXPECT_FALSE(tray.Add(0, "Pankor", events));
}

TEST(Win32TrayIconAnsiTest, AnsiFieldsAreCutWholeCharactersWithTheirNul) {
    char field[8];
    CopyAnsi(field, sizeof field, "Pankor");
    EXPECT_STREQ(field, "Pankor");
    CopyAnsi(field, sizeof field, "Tarnwick updates");
    EXPECT_STREQ(field, "Tarnwic");  // seven characters and the NUL
    CopyAnsi(field, sizeof field, "");
    EXPECT_STREQ(field, "");
    char wide[4];
    // Each of these is one character (the last a surrogate pair): never split.
    CopyAnsi(wide, sizeof wide, "ab\xF0\x9F\x98\x80");
    EXPECT_EQ(std::string(wide).substr(0, 2), "ab");
    EXPECT_LT(std::strlen(wide), sizeof wide);
    std::string body(300, 'x');
    char info[256];
    CopyAnsi(info, sizeof info, body);
    EXPECT_EQ(std::strlen(info), 255u);
}

}  // namespace
}  // namespace pankor

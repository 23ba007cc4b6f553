// The browser control in our OLE container and the shell's folder browser,
// against the real system. Wine here has no HTML engine: the control is
// created and navigates, but no document ever arrives, so what needs a page
// is checked up to the point where a page would be.
#include <gtest/gtest.h>

#include <exdispid.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "HostTestSupport.h"
#include "platform/win32/host/Win32Browser.h"
#include "platform/win32/host/Win32BrowserSite.h"
#include "platform/win32/host/Win32FolderPicker.h"
#include "platform/win32/host/Win32MainWindow.h"

namespace pankor {
namespace {

using test::PumpUntil;
using namespace win32host;

class OleThread : public test::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override {
        OleUninitialize();
        HostTest::TearDown();
    }
};

struct RecordingBrowserEvents final : IBrowserEvents {
    std::vector<std::string> calls;
    bool cancelCommands = true;
    std::function<void()> duringNavigate;
    void OnBeforeNavigate(const std::string& url, bool& cancel) noexcept override {
        calls.push_back("before " + url);
        if (url.rfind("app:", 0) == 0) cancel = cancelCommands;
        if (duringNavigate) duringNavigate();
    }
    void OnDocumentComplete(const std::string& url) noexcept override { calls.push_back("complete " + url); }
    void OnNavigateError(const std::string& url) noexcept override { calls.push_back("error " + url); }
    bool Has(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
};

using BrowserTest = OleThread;
using BrowserSiteTest = test::HostTest;

TEST_F(BrowserTest, TheControlIsCreatedFillingTheWindowAndNavigatesWithoutADocument) {
    HostLoop loop;
    MainWindow main(GetModuleHandleW(nullptr), loop);
    main.Place(0, 0, 640, 400);
    Browser browser(main.Hwnd());
    RecordingBrowserEvents events;
    const Status created = browser.Create(events);
    ASSERT_TRUE(created.ok()) << created.code() << " " << created.error();
    EXPECT_FALSE(browser.Create(events).ok());  // one control per window

    // The control's window is a child covering the whole client area, and follows it.
    HWND child = GetWindow(main.Hwnd(), GW_CHILD);
    ASSERT_NE(child, nullptr);
    RECT r{};
    GetWindowRect(child, &r);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 400);
    main.Place(0, 0, 500, 300);
    browser.FitToWindow();
    GetWindowRect(child, &r);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 300);

    browser.SetSilent(true);
    const Status navigated = browser.Navigate("C:\\windows\\win.ini");
    EXPECT_TRUE(navigated.ok()) << navigated.error();
    const int state = browser.ReadyState();
    EXPECT_GE(state, 0);
    EXPECT_LE(state, 4);

    // Without a document the page can be neither called nor read.
    EXPECT_FALSE(browser.HasDocument());
    const Status ran = browser.RunScript("window.pk.setDpi(100);");
    EXPECT_FALSE(ran.ok());
    EXPECT_FALSE(ran.error().empty());
    EXPECT_FALSE(browser.ElementValue("isText").ok());
    EXPECT_FALSE(browser.Metrics().has_value());
}

TEST_F(BrowserTest, CommandNavigationsReachTheEventsAndACancelledOneGoesNowhere) {
    HostLoop loop;
    MainWindow main(GetModuleHandleW(nullptr), loop);
    Browser browser(main.Hwnd());
    RecordingBrowserEvents events;
    ASSERT_TRUE(browser.Create(events).ok());

    ASSERT_TRUE(browser.Navigate("app:refresh").ok());
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Has("before app:refresh"); }));
    // A navigation let through fails (no such scheme) and says so; the
    // cancelled one has no error to report.
    events.cancelCommands = false;
    ASSERT_TRUE(browser.Navigate("app:quit").ok());
    ASSERT_TRUE(PumpUntil(loop, [&] { return events.Has("error app:quit"); }));
    EXPECT_FALSE(events.Has("error app:refresh"));
}

TEST_F(BrowserTest, ReleasedInsideItsOwnEventTheControlGoesOnceTheEventReturns) {
    HostLoop loop;
    MainWindow main(GetModuleHandleW(nullptr), loop);
    Browser browser(main.Hwnd());
    RecordingBrowserEvents events;
    ASSERT_TRUE(browser.Create(events).ok());
    bool createdDuring = false;
    events.duringNavigate = [&] {
        browser.Release();  // the window's unload, as "quit" runs it inside the event
        createdDuring = browser.Created();
    };
    ASSERT_TRUE(browser.Navigate("app:quit").ok());
    ASSERT_TRUE(PumpUntil(loop, [&] { return !events.calls.empty(); }));
    EXPECT_FALSE(createdDuring);  // nothing more reaches the control meanwhile
    EXPECT_FALSE(browser.Created());
    EXPECT_EQ(GetWindow(main.Hwnd(), GW_CHILD), nullptr);  // the control's window went with it
    EXPECT_FALSE(browser.Navigate("C:\\windows\\win.ini").ok());
    EXPECT_EQ(browser.ReadyState(), 0);
    EXPECT_EQ(browser.Location(), "");
}

// The event sink decodes the browser's arguments as the control passes them:
// last first, the URL as a VARIANT by reference, Cancel as a VARIANT_BOOL by reference.
TEST(BrowserEventSinkTest, ArgumentsAreReadFromTheEndAndCancelIsWrittenBack) {
    RecordingBrowserEvents events;
    auto* sink = new BrowserEventSink(&events);
    const auto url = [](const wchar_t* text, VARIANT& holder, VARIANT& arg) {
        VariantInit(&holder);
        holder.vt = VT_BSTR;
        holder.bstrVal = SysAllocString(text);
        VariantInit(&arg);
        arg.vt = VT_BYREF | VT_VARIANT;
        arg.pvarVal = &holder;
    };
    VARIANT args[7], holder;
    for (VARIANT& a : args) VariantInit(&a);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    args[0].vt = VT_BYREF | VT_BOOL;  // Cancel, the last parameter
    args[0].pboolVal = &cancel;
    url(L"app:start?slug=clock", holder, args[5]);
    DISPPARAMS params{args, nullptr, 7, 0};
    EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    VariantClear(&holder);

    cancel = VARIANT_FALSE;
    url(L"about:blank", holder, args[5]);
    sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    EXPECT_EQ(cancel, VARIANT_FALSE);  // only what the handler cancels
    VariantClear(&holder);

    VARIANT two[2];
    url(L"file:///C:/Pankor/ui/index.html", holder, two[0]);
    VariantInit(&two[1]);
    DISPPARAMS complete{two, nullptr, 2, 0};
    sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &complete, nullptr, nullptr, nullptr);
    VariantClear(&holder);

    VARIANT five[5];
    for (VARIANT& a : five) VariantInit(&a);
    url(L"http://nowhere.test/", holder, five[3]);
    DISPPARAMS failed{five, nullptr, 5, 0};
    sink->Invoke(DISPID_NAVIGATEERROR, IID_NULL, 0, DISPATCH_METHOD, &failed, nullptr, nullptr, nullptr);
    VariantClear(&holder);

    DISPPARAMS tooFew{args, nullptr, 2, 0};  // a malformed call is ignored
    sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &tooFew, nullptr, nullptr, nullptr);
    sink->Invoke(DISPID_NEWWINDOW2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);

    EXPECT_EQ(events.calls,
              (std::vector<std::string>{"before app:start?slug=clock", "before about:blank",
                                        "complete file:///C:/Pankor/ui/index.html", "error http://nowhere.test/"}));
    sink->Detach();  // the browser host is gone: events stop
    sink->Invoke(DISPID_NAVIGATEERROR, IID_NULL, 0, DISPATCH_METHOD, &failed, nullptr, nullptr, nullptr);
    EXPECT_EQ(events.calls.size(), 4u);
    void* asEvents = nullptr;
    EXPECT_EQ(sink->QueryInterface(DIID_DWebBrowserEvents2, &asEvents), S_OK);
    static_cast<IUnknown*>(asEvents)->Release();
    sink->Release();
}

// (In-place hosting itself is proved by the real control filling the window above.)
TEST_F(BrowserSiteTest, ThePageIsHostedWithoutContextMenuBorderOrReloadKey) {
    HostLoop loop;
    MainWindow main(GetModuleHandleW(nullptr), loop);
    auto* site = new BrowserSite(main.Hwnd());
    IDocHostUIHandler* ui = nullptr;
    ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)), S_OK);
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
    EXPECT_TRUE(info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER);
    EXPECT_FALSE(info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO);                // the page decides its scrollbars
    EXPECT_EQ(ui->ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);  // handled: none is shown
    MSG f5{main.Hwnd(), WM_KEYDOWN, VK_F5, 0, 0, {}};
    MSG letter{main.Hwnd(), WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_EQ(ui->TranslateAccelerator(&f5, nullptr, 0), S_OK);  // no reload that would lose the page
    EXPECT_EQ(ui->TranslateAccelerator(&letter, nullptr, 0), S_FALSE);
    ui->Release();
    site->Release();
}

using FolderPickerTest = OleThread;

// Answers the shell's folder dialog from another thread, as a user would:
// selects the folder and presses OK, or cancels.
void AnswerDialog(const std::wstring& select) {
    HWND dialog = nullptr;
    for (int i = 0; i < 200 && !dialog; ++i) {
        dialog = FindWindowW(L"#32770", nullptr);
        if (!dialog) Sleep(25);  // another thread's window: nothing to wait on
    }
    if (!dialog) return;
    if (select.empty()) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(FolderPickerTest, TheChosenFolderComesBackAsAPathAndACancelAsNothing) {
    HostLoop loop;
    MainWindow main(GetModuleHandleW(nullptr), loop);
    FolderPicker picker;
    picker.SetOwner(main.Hwnd());
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);

    std::thread user(AnswerDialog, std::wstring(windows));
    const std::string chosen = picker.PickFolder("Where should the backup go?");
    user.join();
    EXPECT_EQ(chosen, "C:\\windows");

    std::thread cancel(AnswerDialog, std::wstring());
    EXPECT_EQ(picker.PickFolder("Pick a Pankor-backup-... folder"), "");
    cancel.join();
}

}  // namespace
}  // namespace pankor

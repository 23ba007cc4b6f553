#pragma once
// The browser control ("Shell.Explorer.2") embedded in the main window
// through our own OLE container, and the page it shows.
#include "platform/win32/Win32Windows.h"

#include <exdisp.h>
#include <mshtml.h>

#include "platform/host/IBrowser.h"
#include "platform/win32/host/Win32Com.h"
#include "platform/win32/host/Win32HostLoop.h"

namespace pankor::win32host {

class BrowserSite;
class BrowserEventSink;

inline constexpr const wchar_t* kBrowserProgId = L"Shell.Explorer.2";

class Browser final : public IBrowser, public IMessageFilter {
public:
    // The control will live in this window (the main window); COM must be
    // initialised on this thread (OleInitialize) before Create.
    explicit Browser(HWND host) noexcept;
    ~Browser() override;
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    Status Create(IBrowserEvents& events) noexcept override;
    void FitToWindow() noexcept override;
    void SetSilent(bool silent) noexcept override;
    Status Navigate(const std::string& filePath) noexcept override;
    int ReadyState() const noexcept override;
    std::string Location() const noexcept override;
    bool HasDocument() const noexcept override;
    Status RunScript(const std::string& statement) noexcept override;
    std::optional<PageMetrics> Metrics() noexcept override;
    Result<std::string> ElementValue(const std::string& id) noexcept override;

    // The window's unload handler: the control goes with the window. Inside
    // one of the control's own events it is let go once that event returns.
    void Release() noexcept;
    // Gives the page the keyboard focus (after the window was activated).
    void TakeFocus() noexcept;
    // The control's keys (tab, delete, the clipboard) reach the page.
    bool PreTranslate(MSG& message) noexcept override;

    bool Created() const noexcept { return browser_ && !releasePending_; }

private:
    // Counts the events on the stack, so a release inside one waits for it.
    class Forwarder final : public IBrowserEvents {
    public:
        explicit Forwarder(Browser& owner) noexcept : owner_(owner) {}
        void OnBeforeNavigate(const std::string& url, bool& cancel) noexcept override;
        void OnDocumentComplete(const std::string& url) noexcept override;
        void OnNavigateError(const std::string& url) noexcept override;

    private:
        struct Depth;
        Browser& owner_;
    };

    void ReleaseNow() noexcept;
    ComPtr<IHTMLDocument2> Document() const noexcept;
    ComPtr<IHTMLElement> ElementById(const ComPtr<IHTMLDocument2>& document, const std::string& id) const noexcept;

    HWND host_;
    IBrowserEvents* events_ = nullptr;
    Forwarder forwarder_{*this};
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IConnectionPoint> eventPoint_;
    DWORD eventCookie_ = 0;
    BrowserSite* site_ = nullptr;
    BrowserEventSink* sink_ = nullptr;
    int eventDepth_ = 0;
    bool releasePending_ = false;
};

}  // namespace pankor::win32host

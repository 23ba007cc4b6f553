#include "platform/win32/host/Win32Browser.h"

#include <new>

#include "platform/win32/Win32Error.h"
#include "platform/win32/host/Win32BrowserSite.h"

namespace pankor::win32host {

namespace {

Status NoDocument() { return Status::Fail("the browser has no document", static_cast<DWORD>(E_FAIL)); }

std::optional<PageMetrics::Box> BoxOf(const ComPtr<IHTMLElement>& element) noexcept {
    if (!element) return std::nullopt;
    const ComPtr<IHTMLElement2> element2 = element.As<IHTMLElement2>(IID_IHTMLElement2);
    if (!element2) return std::nullopt;
    PageMetrics::Box box;
    long v = 0;
    if (SUCCEEDED(element2->get_scrollHeight(&v))) box.scrollHeight = static_cast<int>(v);
    if (SUCCEEDED(element2->get_clientHeight(&v))) box.clientHeight = static_cast<int>(v);
    if (SUCCEEDED(element2->get_scrollTop(&v))) box.scrollTop = static_cast<int>(v);
    if (SUCCEEDED(element->get_offsetHeight(&v))) box.offsetHeight = static_cast<int>(v);
    return box;
}

}  // namespace

// ---- events

struct Browser::Forwarder::Depth {
    explicit Depth(Browser& b) noexcept : browser(b) { ++browser.eventDepth_; }
    ~Depth() {
        if (--browser.eventDepth_ == 0 && browser.releasePending_) browser.ReleaseNow();
    }
    Browser& browser;
};

void Browser::Forwarder::OnBeforeNavigate(const std::string& url, bool& cancel) noexcept {
    const Depth depth(owner_);
    if (owner_.events_ && !owner_.releasePending_) owner_.events_->OnBeforeNavigate(url, cancel);
}

void Browser::Forwarder::OnDocumentComplete(const std::string& url) noexcept {
    const Depth depth(owner_);
    if (owner_.events_ && !owner_.releasePending_) owner_.events_->OnDocumentComplete(url);
}

void Browser::Forwarder::OnNavigateError(const std::string& url) noexcept {
    const Depth depth(owner_);
    if (owner_.events_ && !owner_.releasePending_) owner_.events_->OnNavigateError(url);
}

// ---- life

Browser::Browser(HWND host) noexcept : host_(host) {}

Browser::~Browser() {
    releasePending_ = false;
    ReleaseNow();
}

Status Browser::Create(IBrowserEvents& events) noexcept {
    if (object_) return Status::Fail("the browser control exists already", static_cast<DWORD>(E_UNEXPECTED));
    if (!IsWindow(host_)) return win32::ErrorFailure(ERROR_INVALID_WINDOW_HANDLE);
    events_ = &events;

    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(kBrowserProgId, &clsid);
    if (FAILED(hr)) return ComFailure(hr);
    hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, reinterpret_cast<void**>(object_.Put()));
    if (FAILED(hr)) return ComFailure(hr);

    site_ = new (std::nothrow) BrowserSite(host_);
    sink_ = new (std::nothrow) BrowserEventSink(&forwarder_);
    if (!site_ || !sink_) {
        ReleaseNow();
        return win32::OutOfMemory();
    }
    hr = object_->SetClientSite(site_);
    if (FAILED(hr)) {
        const Status failed = ComFailure(hr);
        ReleaseNow();
        return failed;
    }
    OleSetContainedObject(object_.Get(), TRUE);
    RECT client{};
    GetClientRect(host_, &client);
    hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, host_, &client);
    if (FAILED(hr)) {
        const Status failed = ComFailure(hr);
        ReleaseNow();
        return failed;
    }
    inPlace_ = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    site_->SetInPlaceObject(inPlace_.Get());
    browser_ = object_.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!browser_) {
        ReleaseNow();
        return ComFailure(E_NOINTERFACE);
    }
    // A file dropped on the window would take the browser away from the page.
    browser_->put_RegisterAsDropTarget(VARIANT_FALSE);

    const ComPtr<IConnectionPointContainer> points =
        object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    hr = points ? points->FindConnectionPoint(DIID_DWebBrowserEvents2, eventPoint_.Put()) : E_NOINTERFACE;
    if (SUCCEEDED(hr)) hr = eventPoint_->Advise(sink_, &eventCookie_);
    if (FAILED(hr)) {
        // The control works, but commands and the page's completion will not arrive.
        eventPoint_.Reset();
        eventCookie_ = 0;
        return ComFailure(hr);
    }
    FitToWindow();
    return Status::Ok();
}

void Browser::Release() noexcept {
    if (eventDepth_ > 0) {
        releasePending_ = true;
        return;
    }
    ReleaseNow();
}

void Browser::ReleaseNow() noexcept {
    releasePending_ = false;
    if (eventPoint_ && eventCookie_) eventPoint_->Unadvise(eventCookie_);
    eventPoint_.Reset();
    eventCookie_ = 0;
    browser_.Reset();
    if (site_) site_->SetInPlaceObject(nullptr);
    inPlace_.Reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_.Reset();
    }
    if (sink_) {
        sink_->Detach();
        sink_->Release();
        sink_ = nullptr;
    }
    if (site_) {
        site_->Detach();
        site_->Release();
        site_ = nullptr;
    }
    events_ = nullptr;
}

// ---- the control

void Browser::FitToWindow() noexcept {
    if (!inPlace_ || releasePending_ || !IsWindow(host_)) return;
    RECT client{};
    if (GetClientRect(host_, &client)) inPlace_->SetObjectRects(&client, &client);
}

void Browser::SetSilent(bool silent) noexcept {
    if (Created()) browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
}

Status Browser::Navigate(const std::string& filePath) noexcept {
    if (!Created()) return ComFailure(E_UNEXPECTED);
    Bstr path = ToBstr(filePath);
    if (!path.Get()) return win32::OutOfMemory();
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = path.Get();  // still owned by path
    Variant none;
    const HRESULT hr = browser_->Navigate2(&url, none.Get(), none.Get(), none.Get(), none.Get());
    return FAILED(hr) ? ComFailure(hr) : Status::Ok();
}

int Browser::ReadyState() const noexcept {
    READYSTATE state = READYSTATE_UNINITIALIZED;
    if (!Created() || FAILED(browser_->get_ReadyState(&state))) return 0;
    return static_cast<int>(state);
}

std::string Browser::Location() const noexcept {
    Bstr url;
    if (!Created() || FAILED(browser_->get_LocationURL(url.Put()))) return {};
    return WideToUtf8(url.View());
}

ComPtr<IHTMLDocument2> Browser::Document() const noexcept {
    if (!Created()) return {};
    ComPtr<IDispatch> document;
    if (FAILED(browser_->get_Document(document.Put())) || !document) return {};
    return document.As<IHTMLDocument2>(IID_IHTMLDocument2);
}

bool Browser::HasDocument() const noexcept { return static_cast<bool>(Document()); }

Status Browser::RunScript(const std::string& statement) noexcept {
    const ComPtr<IHTMLDocument2> document = Document();
    if (!document) return NoDocument();
    ComPtr<IHTMLWindow2> window;
    HRESULT hr = document->get_parentWindow(window.Put());
    if (FAILED(hr) || !window) return ComFailure(FAILED(hr) ? hr : E_NOINTERFACE);
    const Bstr code = ToBstr(statement);
    const Bstr language(L"JavaScript");
    if (!code.Get() || !language.Get()) return win32::OutOfMemory();
    Variant result;
    SetErrorInfo(0, nullptr);  // the description read on failure must be this call's
    hr = window->execScript(code.Get(), language.Get(), result.Get());
    return FAILED(hr) ? ComFailure(hr) : Status::Ok();
}

ComPtr<IHTMLElement> Browser::ElementById(const ComPtr<IHTMLDocument2>& document,
                                          const std::string& id) const noexcept {
    const ComPtr<IHTMLDocument3> document3 = document.As<IHTMLDocument3>(IID_IHTMLDocument3);
    const Bstr name = ToBstr(id);
    ComPtr<IHTMLElement> element;
    if (document3 && name.Get()) document3->getElementById(name.Get(), element.Put());
    return element;
}

Result<std::string> Browser::ElementValue(const std::string& id) noexcept {
    using R = Result<std::string>;
    try {
        const ComPtr<IHTMLDocument2> document = Document();
        if (!document) return R::From(NoDocument());
        const ComPtr<IHTMLElement> element = ElementById(document, id);
        if (!element) return R::Fail("no element \"" + id + "\"", static_cast<DWORD>(E_FAIL));
        // Inputs, text areas and lists all answer "value" through automation.
        const ComPtr<IDispatch> automation = element.As<IDispatch>(IID_IDispatch);
        if (!automation) return R::From(ComFailure(E_NOINTERFACE));
        wchar_t valueName[] = L"value";
        LPOLESTR names[] = {valueName};
        DISPID member = DISPID_UNKNOWN;
        HRESULT hr = automation->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
        if (FAILED(hr)) return R::From(ComFailure(hr));
        DISPPARAMS none{};
        Variant value;
        hr = automation->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Get(),
                                nullptr, nullptr);
        if (FAILED(hr)) return R::From(ComFailure(hr));
        return R::Of(VariantText(value.Ref()));
    } catch (...) {
        return R::From(win32::OutOfMemory());
    }
}

std::optional<PageMetrics> Browser::Metrics() noexcept {
    const ComPtr<IHTMLDocument2> document = Document();
    if (!document) return std::nullopt;
    PageMetrics metrics;
    ComPtr<IHTMLElement> body;
    if (SUCCEEDED(document->get_body(body.Put())))
        if (const std::optional<PageMetrics::Box> box = BoxOf(body)) metrics.body = *box;
    metrics.main = BoxOf(ElementById(document, "main"));
    metrics.settings = BoxOf(ElementById(document, "tab-settings"));
    return metrics;
}

void Browser::TakeFocus() noexcept {
    if (!Created() || !IsWindow(host_)) return;
    RECT client{};
    GetClientRect(host_, &client);
    object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_, 0, host_, &client);
}

bool Browser::PreTranslate(MSG& message) noexcept {
    if (!Created() || message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    if (message.hwnd != host_ && !IsChild(host_, message.hwnd)) return false;
    const ComPtr<IOleInPlaceActiveObject> active = object_.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    return active && active->TranslateAccelerator(&message) == S_OK;
}

}  // namespace pankor::win32host

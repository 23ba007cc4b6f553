#include "platform/win32/host/Win32BrowserSite.h"

#include <exdispid.h>

#include <string>

#include "platform/win32/host/Win32Com.h"

namespace pankor::win32host {

// ---- BrowserSite

STDMETHODIMP BrowserSite::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *out = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame))
        *out = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(iid, IID_IDocHostUIHandler))
        *out = static_cast<IDocHostUIHandler*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) BrowserSite::Release() noexcept {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** out) noexcept {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** out) noexcept {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* out) noexcept {
    if (!out) return E_POINTER;
    *out = host_;
    return host_ ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) noexcept {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    RECT client{};
    if (host_) GetClientRect(host_, &client);
    *position = client;
    *clip = client;
    info->fMDIApp = FALSE;
    info->hwndFrame = host_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP BrowserSite::OnPosRectChange(LPCRECT position) noexcept {
    if (!position || !inPlace_) return E_INVALIDARG;
    return inPlace_->SetObjectRects(position, position);
}

STDMETHODIMP BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept {
    return S_OK;  // shown by us, i.e. none
}

STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) noexcept {
    if (!info) return E_POINTER;
    info->cbSize = sizeof(DOCHOSTUIINFO);
    info->dwFlags = kDocHostFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

STDMETHODIMP BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                 IOleInPlaceUIWindow*) noexcept {
    return S_OK;  // the host has no menus or toolbars to show
}

bool IsBlockedBrowserKey(const MSG& message) noexcept {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    if (message.wParam == VK_F5) return true;
    if (GetKeyState(VK_CONTROL) >= 0) return false;
    switch (message.wParam) {
        case 'R':
        case 'N':
        case 'O':
        case 'P': return true;
        default: return false;
    }
}

STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG message, const GUID*, DWORD) noexcept {
    return message && IsBlockedBrowserKey(*message) ? S_OK : S_FALSE;
}

STDMETHODIMP BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept {
    if (key) *key = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** out) noexcept {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetExternal(IDispatch** out) noexcept {
    if (out) *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) noexcept {
    if (out) *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserSite::FilterDataObject(IDataObject*, IDataObject** out) noexcept {
    if (out) *out = nullptr;
    return S_FALSE;
}

// ---- BrowserEventSink

STDMETHODIMP BrowserEventSink::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, DIID_DWebBrowserEvents2))
        return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserEventSink::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) BrowserEventSink::Release() noexcept {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP BrowserEventSink::GetTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                      UINT*) noexcept {
    if (!events_ || !params || !params->rgvarg) return S_OK;
    // The arguments come last first: the event's n-th parameter (from 0) of
    // count is rgvarg[count - 1 - n].
    const UINT count = params->cArgs;
    const auto arg = [&](UINT n) -> VARIANT& { return params->rgvarg[count - 1 - n]; };
    // The events are delivered through this reference: a handler may let the
    // browser host drop the sink.
    const ComPtr<BrowserEventSink> keep(this);
    AddRef();
    try {
        switch (id) {
            case DISPID_BEFORENAVIGATE2: {  // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel
                if (count < 7) break;
                const std::string url = VariantText(arg(1));
                bool cancel = false;
                events_->OnBeforeNavigate(url, cancel);
                VARIANT& flag = arg(6);
                if (cancel && flag.vt == (VT_BYREF | VT_BOOL) && flag.pboolVal) *flag.pboolVal = VARIANT_TRUE;
                break;
            }
            case DISPID_DOCUMENTCOMPLETE:  // pDisp, URL
                if (count >= 2 && events_) events_->OnDocumentComplete(VariantText(arg(1)));
                break;
            case DISPID_NAVIGATEERROR:  // pDisp, URL, Frame, StatusCode, Cancel
                if (count >= 5 && events_) events_->OnNavigateError(VariantText(arg(1)));
                break;
            default: break;
        }
    } catch (...) {
        // Out of memory for a URL's text: the event is dropped.
    }
    return S_OK;
}

}  // namespace pankor::win32host

#pragma once
// Our side of the browser control's OLE embedding: the client site with its
// in-place site and frame and the document host's UI handler, and the sink
// that receives the browser's events. Both are reference counted COM
// objects that may outlive the browser host; Detach cuts them loose.
#include "platform/win32/Win32Windows.h"

#include <exdisp.h>
#include <mshtmhst.h>
#include <ole2.h>

#include "platform/host/IBrowser.h"

namespace pankor::win32host {

class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler {
public:
    // One reference, the caller's.
    explicit BrowserSite(HWND host) noexcept : host_(host) {}
    void Detach() noexcept { host_ = nullptr; }
    // The control's in-place object, told of the new size when the control asks to move.
    void SetInPlaceObject(IOleInPlaceObject* object) noexcept { inPlace_ = object; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IOleClientSite
    STDMETHODIMP SaveObject() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) noexcept override;
    STDMETHODIMP GetContainer(IOleContainer** out) noexcept override;
    STDMETHODIMP ShowObject() noexcept override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

    // IOleWindow (both the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) noexcept override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() noexcept override { return host_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() noexcept override { return S_OK; }
    STDMETHODIMP OnUIActivate() noexcept override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) noexcept override;
    STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() noexcept override { return S_OK; }
    STDMETHODIMP DiscardUndoState() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT position) noexcept override;

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no menus, toolbars or borders of ours.
    STDMETHODIMP GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) noexcept override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) noexcept override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }  // also IDocHostUIHandler's
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) noexcept override { return S_FALSE; }

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) noexcept override;
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) noexcept override;
    STDMETHODIMP HideUI() noexcept override { return S_OK; }
    STDMETHODIMP UpdateUI() noexcept override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID*, DWORD) noexcept override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept override;
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) noexcept override;
    STDMETHODIMP GetExternal(IDispatch** out) noexcept override;
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) noexcept override;
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) noexcept override;

private:
    ~BrowserSite() = default;
    LONG refs_ = 1;
    HWND host_;
    IOleInPlaceObject* inPlace_ = nullptr;  // not owned: the browser host holds it
};

// The UI flags the page is hosted with: no 3D border, themed controls,
// scrollbars as the page wants them.
inline constexpr DWORD kDocHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME;

// Whether the browser's own handling of a key is kept from the page: a
// reload would lose the page's state, and new windows, the open and print
// dialogs lead out of the manager.
bool IsBlockedBrowserKey(const MSG& message) noexcept;

// DWebBrowserEvents2: BeforeNavigate2 (whose Cancel it sets when told to),
// DocumentComplete and NavigateError reach the events; the rest is ignored.
class BrowserEventSink final : public IDispatch {
public:
    explicit BrowserEventSink(IBrowserEvents* events) noexcept : events_(events) {}
    void Detach() noexcept { events_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) noexcept override;

private:
    ~BrowserEventSink() = default;
    LONG refs_ = 1;
    IBrowserEvents* events_;
};

}  // namespace pankor::win32host

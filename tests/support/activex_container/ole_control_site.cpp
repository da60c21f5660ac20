#include "tests/support/activex_container/ole_control_site.h"

#include "platform/window/win_gdi.h"

namespace test_support {

OleControlSite::OleControlSite(IWebBrowser2* browser, IOleControlSite* controlSite, HWND window, const RECT& position,
                               MainThreadCheck onMainThread, FaultSink faults)
    : browser_(browser),
      controlSite_(controlSite),
      window_(window),
      frame_(FB::ActiveX::ComPtr<InPlaceUIWindow>::adopt(new InPlaceUIWindow(window, onMainThread, faults))),
      document_(FB::ActiveX::ComPtr<InPlaceUIWindow>::adopt(new InPlaceUIWindow(window, onMainThread, faults))),
      position_(position),
      onMainThread_(std::move(onMainThread)),
      faults_(std::move(faults)) {}

void OleControlSite::forget() {
    browser_.reset();
    controlSite_.reset();
    frame_->forget();
    document_->forget();
}

void OleControlSite::check(const char* method) {
    if (onMainThread_ && !onMainThread_() && faults_) faults_(std::string(method) + " called off the main thread");
}

HRESULT OleControlSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceSiteWindowless) {
        if (!offerWindowless_) return E_NOINTERFACE;
        *object = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else if (iid == IID_IServiceProvider) {
        *object = static_cast<IServiceProvider*>(this);
    } else if (iid == IID_IPropertyNotifySink) {
        *object = static_cast<IPropertyNotifySink*>(this);
    } else if (iid == IID_IOleControlSite) {
        *object = static_cast<IOleControlSite*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG OleControlSite::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT OleControlSite::GetWindow(HWND* window) {
    check("IOleInPlaceSite::GetWindow");
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

HRESULT OleControlSite::CanInPlaceActivate() {
    check("IOleInPlaceSite::CanInPlaceActivate");
    return S_OK;
}

HRESULT OleControlSite::OnInPlaceActivate() {
    check("IOleInPlaceSite::OnInPlaceActivate");
    ++activations_;
    return S_OK;
}

HRESULT OleControlSite::OnUIActivate() {
    check("IOleInPlaceSite::OnUIActivate");
    ++uiActivations_;
    uiActive_ = true;
    return S_OK;
}

// The page window is the frame's and the document's window.
HRESULT OleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                         LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    check("IOleInPlaceSite::GetWindowContext");
    if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
    if (frameInfo->cb < sizeof(OLEINPLACEFRAMEINFO)) return E_INVALIDARG;
    *frame = FB::ActiveX::ComPtr<InPlaceUIWindow>(frame_).detach();
    *document = FB::ActiveX::ComPtr<InPlaceUIWindow>(document_).detach();
    *position = position_;
    *clip = position_;
    *frameInfo = OLEINPLACEFRAMEINFO{frameInfo->cb, FALSE, window_, nullptr, 0};
    return S_OK;
}

HRESULT OleControlSite::OnUIDeactivate(BOOL) {
    check("IOleInPlaceSite::OnUIDeactivate");
    uiActive_ = false;
    return S_OK;
}

HRESULT OleControlSite::OnInPlaceDeactivate() {
    check("IOleInPlaceSite::OnInPlaceDeactivate");
    ++deactivations_;
    return S_OK;
}

HRESULT OleControlSite::OnPosRectChange(LPCRECT position) {
    check("IOleInPlaceSite::OnPosRectChange");
    if (position) position_ = *position;
    return S_OK;
}

HRESULT OleControlSite::CanWindowlessActivate() {
    check("IOleInPlaceSiteWindowless::CanWindowlessActivate");
    return offerWindowless_ ? S_OK : S_FALSE;
}

HRESULT OleControlSite::SetCapture(BOOL capture) {
    check("IOleInPlaceSiteWindowless::SetCapture");
    captured_ = capture != FALSE;
    return S_OK;
}

HRESULT OleControlSite::SetFocus(BOOL focus) {
    check("IOleInPlaceSiteWindowless::SetFocus");
    if (focus) ++focusRequests_;
    focused_ = focus != FALSE;
    return S_OK;
}

HRESULT OleControlSite::InvalidateRect(LPCRECT rectangle, BOOL erase) {
    check("IOleInPlaceSiteWindowless::InvalidateRect");
    ++invalidations_;
    ::InvalidateRect(window_, rectangle ? rectangle : &position_, erase);
    return S_OK;
}

HRESULT OleControlSite::OnFocus(BOOL gotFocus) {
    check("IOleControlSite::OnFocus");
    controlHasFocus_ = gotFocus != FALSE;
    return S_OK;
}

HRESULT OleControlSite::QueryService(REFGUID service, REFIID iid, void** object) {
    check("IServiceProvider::QueryService");
    if (!object) return E_POINTER;
    *object = nullptr;
    if (service != SID_SWebBrowserApp || !browser_) return E_NOINTERFACE;
    return browser_->QueryInterface(iid, object);
}

HRESULT OleControlSite::OnChanged(DISPID id) {
    check("IPropertyNotifySink::OnChanged");
    if (id == DISPID_READYSTATE) ++readyStateChanges_;
    return S_OK;
}

HRESULT OleControlSite::GetExtendedControl(IDispatch** control) {
    check("IOleControlSite::GetExtendedControl");
    if (!control) return E_POINTER;
    *control = nullptr;
    return controlSite_ ? controlSite_->GetExtendedControl(control) : E_NOTIMPL;
}

}  // namespace test_support

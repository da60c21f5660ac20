// The container's site of an ActiveX control made through its class object: the client site the
// control asks for everything else, the in-place site (windowed, or windowless when the container
// offers it) whose window the control's window becomes a child of, with the page's frame and
// document window that hold the control's active object while it is active in the user
// interface, the service provider that gives the web browser, the property-notify sink that hears
// the ready state, and the control site whose extended control is the page's element (given by the
// container, or none) and which hears where the keyboard focus is.
//
// It counts what the control asks of it, so tests can see it: repaint requests (which invalidate
// the control's rectangle of the window, so that a windowless control is drawn again), ready-state
// notifications, activations and deactivations in place and in the user interface, focus and
// capture. Every call is checked to arrive on the container's main thread; a call from elsewhere
// is reported to the fault sink.
#pragma once

#include "activex/com_owners.h"
#include "tests/support/activex_container/in_place_ui_window.h"
#include "platform/com/exdisp.h"
#include "platform/com/ocidl.h"
#include "platform/com/ole_inplace.h"
#include "platform/com/servprov.h"

#include <atomic>
#include <functional>
#include <string>

namespace test_support {

class OleControlSite final : public IOleClientSite,
                             public IOleInPlaceSiteWindowless,
                             public IServiceProvider,
                             public IPropertyNotifySink,
                             public IOleControlSite {
public:
    using MainThreadCheck = std::function<bool()>;
    using FaultSink = std::function<void(const std::string&)>;

    // With one reference, for the caller. The browser and the control site may be null.
    OleControlSite(IWebBrowser2* browser, IOleControlSite* controlSite, HWND window, const RECT& position,
                   MainThreadCheck onMainThread, FaultSink faults);

    void offerWindowless(bool offer) { offerWindowless_ = offer; }
    void setPosition(const RECT& position) { position_ = position; }
    const RECT& position() const { return position_; }
    // The page went: the browser, the control site and an active object left with the page's
    // windows are let go.
    void forget();

    int invalidations() const { return invalidations_; }
    int readyStateChanges() const { return readyStateChanges_; }
    int activations() const { return activations_; }
    int deactivations() const { return deactivations_; }
    int uiActivations() const { return uiActivations_; }
    bool uiActive() const { return uiActive_; }
    // The windowless control's requests for the focus (IOleInPlaceSiteWindowless::SetFocus).
    int focusRequests() const { return focusRequests_; }
    bool captured() const { return captured_; }
    bool focused() const { return focused_; }
    // What the control site last heard of the control's keyboard focus (IOleControlSite::OnFocus).
    bool controlHasFocus() const { return controlHasFocus_; }
    const InPlaceUIWindow& frame() const { return *frame_.get(); }
    const InPlaceUIWindow& documentWindow() const { return *document_.get(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override;
    HRESULT STDMETHODCALLTYPE SetCapture(BOOL capture) override;
    HRESULT STDMETHODCALLTYPE SetFocus(BOOL focus) override;
    HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT rectangle, BOOL erase) override;

    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override;
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) override;
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) override;

private:
    ~OleControlSite() = default;
    void check(const char* method);

    FB::ActiveX::ComPtr<IWebBrowser2> browser_;
    FB::ActiveX::ComPtr<IOleControlSite> controlSite_;
    HWND window_;
    FB::ActiveX::ComPtr<InPlaceUIWindow> frame_;
    FB::ActiveX::ComPtr<InPlaceUIWindow> document_;
    RECT position_;
    MainThreadCheck onMainThread_;
    FaultSink faults_;
    bool offerWindowless_ = false;
    std::atomic<int> invalidations_{0};
    std::atomic<int> readyStateChanges_{0};
    std::atomic<int> activations_{0};
    std::atomic<int> deactivations_{0};
    std::atomic<int> uiActivations_{0};
    std::atomic<bool> uiActive_{false};
    std::atomic<int> focusRequests_{0};
    std::atomic<bool> captured_{false};
    std::atomic<bool> focused_{false};
    std::atomic<bool> controlHasFocus_{false};
    std::atomic<ULONG> references_{1};
};

}  // namespace test_support

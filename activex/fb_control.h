// The ActiveX control: the COM object a container makes for each <object> element of the plug-in's
// class or MIME type. It owns one plug-in object (made through BrowserPlugin from the process's
// factory), makes the browser host when it gets its site, passes the page's <param> values from
// the property bag, gives the plug-in a window when it is activated in place (its own child window
// of the site's window, or a windowless wrapper when the container draws it), and shows the
// plug-in's root scripting object to the page through its own IDispatchEx. It answers as well as
// a view object, an OLE control and a quickly activated object (fb_control_view.cpp), and gives
// its class information from the type library the module carries.
//
// Apartment-threaded: every COM call arrives on the browser's thread. Only invalidateWindow may
// be called from other threads; it marshals itself to the main thread.
#pragma once

#include "activex/activex_browser_host.h"
#include "activex/fb_control_ids.h"
#include "activex/jsapi_idispatch_ex.h"
#include "activex/plugin_interfaces.h"
#include "host/browser_plugin.h"
#include "host/plugin_window.h"
#include "host/shareable_reference.h"
#include "platform/com/objsafe.h"
#include "platform/com/ocidl.h"
#include "platform/com/ole_inplace.h"
#include "platform/com/ole_persist.h"
#include "platform/com/servprov.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace FB::ActiveX {

class CFBControl final : public JSAPI_IDispatchEx<CFBControl, IFBControl, &DIID_IFBComEventSource>,
                         public IProvideClassInfo2,
                         public IObjectSafety,
                         public IOleControl,
                         public IOleObject,
                         public IOleInPlaceActiveObject,
                         public IQuickActivate,
                         public IViewObjectEx,
                         public IOleInPlaceObjectWindowless,
                         public IObjectWithSite,
                         public IPersistPropertyBag,
                         public BrowserPlugin {
public:
    // A new control asked for the interface; its only reference is the caller's.
    static HRESULT create(REFIID iid, void** object);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index, HWND parent,
                                     LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    // The extent the container gives, in HIMETRIC; the natural size stays as it was made.
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;

    // IOleControl: ambient changes need nothing of the control; frozen events are counted.
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

    // IOleInPlaceActiveObject: the control has no accelerators, so every keystroke is the
    // container's to dispatch (S_FALSE); the frame's activation needs nothing of it.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }

    // IQuickActivate: the client site, the event sink advised on the control's event source, and
    // the misc and view status, in one call.
    HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
    HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

    // IOleWindow, IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    // IOleInPlaceObjectWindowless: the container's messages for a windowless control.
    HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // IViewObject: a windowless control draws its plug-in into the container's surface; a windowed
    // one draws through its own window. Always S_OK.
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                   HDC targetDevice, HDC drawInto, LPCRECTL bounds, LPCRECTL metafileBounds,
                                   BOOL(STDMETHODCALLTYPE* keepDrawing)(ULONG_PTR), ULONG_PTR keepDrawingArgument) override;
    // IViewObject2, IViewObjectEx: the extent, an opaque view with a solid background, and hits
    // anywhere inside its rectangle. Only the content aspect is drawn or measured.
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;
    HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* status) override;
    HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                                            DWORD* hitResult) override;
    HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                                           DWORD* hitResult) override;
    HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, HDC targetDevice,
                                               DVEXTENTINFO* extentInfo, LPSIZEL size) override;

    // IObjectWithSite
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
    HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** site) override;

    // IPersist, IPersistPropertyBag: Load and InitNew always answer S_OK.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }

    // IObjectSafety: the same answer for every interface the control has.
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD options) override;

    // IProvideClassInfo2: the class's type information from the type library the module carries;
    // GetGUID names no default source dispatch interface (a container finds it in the class's
    // type information).
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

    // BrowserPlugin: the host, the plug-in's window and the plug-in go, and every page reference.
    void shutdown() override;

    // The windowless wrapper's repaint request: the whole control is invalidated through the
    // in-place site, on the main thread. Any thread.
    void invalidateWindow(uint32_t left, uint32_t top, uint32_t right, uint32_t bottom);

    bool isWindowless() const { return m_windowless; }
    bool isUIActive() const { return m_uiActive; }
    LONG readyState() const { return m_readyState; }
    // How many FreezeEvents(TRUE) calls no FreezeEvents(FALSE) has matched yet.
    int frozenEvents() const { return m_freezeEvents; }

private:
    CFBControl();
    ~CFBControl() override;

    std::map<std::string, variant> readPropertyBag(IPropertyBag2* bag);
    void setReady();
    void onClientSiteChanged();
    static DWORD supportedSafetyOptions() { return 3; }
    HRESULT createPluginOnActivate(LONG verb, LPCRECT position);
    // The in-place activation proper: the site's consent, windowless or windowed, the control's
    // window; for OLEIVERB_UIACTIVATE the activation in the container's user interface as well.
    HRESULT inPlaceActivate(LONG verb, LPCRECT position);
    HRESULT inPlaceActivateOnce(LPCRECT position);
    // The container's frame and document window hold the control as their active object, and the
    // control takes the focus; undone before it leaves in-place activation.
    void uiActivate();
    void uiDeactivate();
    HRESULT setUpSite(IUnknown* site);
    void createControlWindow(HWND parent, const RECT& position);
    void destroyPluginWindow();

    // The window message map (fb_control_messages.cpp): a windowless control's focus, capture and
    // plug-in input, then the control's own paint, focus and mouse activation, then reflected
    // notifications.
    static LRESULT CALLBACK controlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool processWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool processWindowlessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool processControlMessage(HWND hwnd, UINT message);
    void paintWindow(HWND hwnd);
    // The plug-in's drawing into a device context, for a windowless control only: a windowed one
    // draws through its own window.
    void paint(HDC drawInto, const RECTL& bounds);
    void tellSiteOfFocus(bool gotFocus);

    std::atomic<ULONG> m_references{0};
    ComPtr<IUnknown> m_site;
    ComPtr<IOleClientSite> m_clientSite;
    ComPtr<IOleInPlaceSite> m_inPlaceSite;
    ComPtr<IOleInPlaceFrame> m_inPlaceFrame;
    ComPtr<IOleInPlaceUIWindow> m_inPlaceUIWindow;
    std::unique_ptr<PluginWindow> m_pluginWindow;
    ComPtr<IServiceProvider> m_serviceProvider;
    ComPtr<IWebBrowser2> m_webBrowser;
    std::string m_mimetypeText;
    DWORD m_enabledSafety = 0;
    ActiveXBrowserHostPtr m_browserHost;
    // What the control library keeps: its window, and how it is activated.
    HWND m_hwnd = nullptr;
    bool m_windowOnly = false;
    bool m_windowless = false;
    bool m_wasOnceWindowless = false;
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
    bool m_onloadScheduled = false;
    RECT m_position{};
    // HIMETRIC; both start at 5080 x 5080 (two inches).
    SIZEL m_naturalSize{5080, 5080};
    SIZEL m_extent{5080, 5080};
    int m_freezeEvents = 0;
    std::shared_ptr<ShareableReference<CFBControl>> m_selfReference;
    // Guards the host and the in-place site, which invalidateWindow reads from other threads.
    std::mutex m_crossThreadLock;
};

}  // namespace FB::ActiveX

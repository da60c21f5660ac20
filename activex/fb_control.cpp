#include "activex/fb_control.h"

#include "activex/com_module.h"
#include "activex/object_safety.h"
#include "host/cross_thread_call.h"
#include "host/factory_base.h"
#include "host/module_attach.h"
#include "host/plugin_core.h"
#include "host/plugin_window_win.h"
#include "host/plugin_windowless_win.h"
#include "platform/com/objbase.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window.h"
#include "scripting/utf8_tools.h"

#include <mutex>
#include <vector>

namespace FB::ActiveX {

namespace {

constexpr const wchar_t* kControlWindowClass = L"FBControlWindow";
// A property bag is the container's; more properties than this are not read.
constexpr ULONG kMaxBagProperties = 4096;

void registerControlWindowClass(WNDPROC procedure) {
    static std::once_flag registered;
    std::call_once(registered, [procedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = procedure;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kControlWindowClass;
        RegisterClassExW(&windowClass);
    });
}

}  // namespace

HRESULT CFBControl::create(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    CFBControl* control = nullptr;
    try {
        control = new CFBControl();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    control->AddRef();
    const HRESULT result = control->QueryInterface(iid, object);
    control->Release();
    return result;
}

CFBControl::CFBControl()
    : JSAPI_IDispatchEx(FBCONTROL0_MIMETYPE),
      BrowserPlugin(FBCONTROL0_MIMETYPE),
      m_mimetypeText(FBCONTROL0_MIMETYPE),
      m_selfReference(std::make_shared<ShareableReference<CFBControl>>(this)) {
    ComModule::instance().lock();
    setPluginPath(FB::modulePath);
}

CFBControl::~CFBControl() {
    try {
        shutdown();
    } catch (...) {
    }
    if (m_hwnd) DestroyWindow(std::exchange(m_hwnd, nullptr));
    m_selfReference.reset();
    ComModule::instance().unlock();
}

HRESULT CFBControl::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == DIID_IFBComEventSource || iid == IID_IDispatch || iid == IID_IDispatchEx || iid == IID_IUnknown) {
        *object = static_cast<IDispatchEx*>(this);
    } else if (iid == IID_IPluginObject) {
        *object = static_cast<IPluginObject*>(static_cast<JSAPI_IDispatchExBase*>(this));
    } else if (iid == IID_IViewObjectEx || iid == IID_IViewObject2 || iid == IID_IViewObject) {
        *object = static_cast<IViewObjectEx*>(this);
    } else if (iid == IID_IOleInPlaceObjectWindowless || iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) {
        *object = static_cast<IOleInPlaceObjectWindowless*>(this);
    } else if (iid == IID_IOleInPlaceActiveObject) {
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (iid == IID_IOleControl) {
        *object = static_cast<IOleControl*>(this);
    } else if (iid == IID_IOleObject) {
        *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
    } else if (iid == IID_IQuickActivate) {
        *object = static_cast<IQuickActivate*>(this);
    } else if (iid == IID_IObjectWithSite) {
        *object = static_cast<IObjectWithSite*>(this);
    } else if (iid == IID_IObjectSafety) {
        *object = static_cast<IObjectSafety*>(this);
    } else if (iid == IID_IPersistPropertyBag) {
        *object = static_cast<IPersistPropertyBag*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
        *object = static_cast<IProvideClassInfo2*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CFBControl::AddRef() { return ++m_references; }

ULONG CFBControl::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

// Site set-up shared by SetClientSite and SetSite: the web browser behind the site, the site's
// property-notify sink, then a new host.
HRESULT CFBControl::setUpSite(IUnknown* site) {
    m_serviceProvider = ComPtr<IUnknown>(site).query<IServiceProvider>(IID_IServiceProvider);
    if (!m_serviceProvider) return E_FAIL;
    if (m_serviceProvider->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2,
                                        reinterpret_cast<void**>(m_webBrowser.put())) < 0)
        m_webBrowser.reset();
    m_serviceProvider.reset();
    if (m_webBrowser) m_propertyNotifySink = ComPtr<IUnknown>(site).query<IPropertyNotifySink>(IID_IPropertyNotifySink);
    onClientSiteChanged();
    return S_OK;
}

HRESULT CFBControl::SetClientSite(IOleClientSite* site) {
    m_clientSite = ComPtr<IOleClientSite>(site);
    if (!site || !m_pluginCore) {
        shutdown();
        return S_OK;
    }
    const HRESULT result = setUpSite(site);
    return FAILED(result) ? result : S_OK;
}

HRESULT CFBControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = ComPtr<IOleClientSite>(m_clientSite).detach();
    return S_OK;
}

HRESULT CFBControl::SetSite(IUnknown* site) {
    if (m_site.get() != site) m_site = ComPtr<IUnknown>(site);
    if (!site || !m_pluginCore) {
        shutdown();
        return S_OK;
    }
    const HRESULT result = setUpSite(site);
    if (FAILED(result)) return result;
    m_pluginCore->setFlag(true);
    setReady();
    return S_OK;
}

HRESULT CFBControl::GetSite(REFIID iid, void** site) {
    if (!site) return E_POINTER;
    *site = nullptr;
    return m_site ? m_site->QueryInterface(iid, site) : E_FAIL;
}

void CFBControl::onClientSiteChanged() {
    auto host = std::make_shared<ActiveXBrowserHost>(m_webBrowser.get(), m_clientSite.get());
    {
        std::lock_guard<std::mutex> guard(m_crossThreadLock);
        m_browserHost = host;
    }
    m_pluginCore->setHost(host);
}

HRESULT CFBControl::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_FBControl0;
    return S_OK;
}

HRESULT CFBControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT CFBControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

std::map<std::string, variant> CFBControl::readPropertyBag(IPropertyBag2* bag) {
    std::map<std::string, variant> values;
    ULONG count = 0;
    if (!bag || bag->CountProperties(&count) < 0 || count == 0) return values;
    count = std::min(count, kMaxBagProperties);
    std::vector<PROPBAG2> properties(count, PROPBAG2{});
    ULONG got = 0;
    if (bag->GetPropertyInfo(0, count, properties.data(), &got) < 0) got = 0;
    got = std::min(got, count);
    VariantArray read(got);
    std::vector<HRESULT> results(got, E_FAIL);
    if (got > 0 && bag->Read(got, properties.data(), nullptr, read.data(), results.data()) < 0)
        std::fill(results.begin(), results.end(), E_FAIL);
    for (ULONG i = 0; i < got; ++i) {
        if (SUCCEEDED(results[i]) && properties[i].pstrName && m_browserHost) {
            values[wideToUtf8(properties[i].pstrName)] = m_browserHost->getVariant(&read[i]);
        }
        CoTaskMemFree(properties[i].pstrName);
    }
    return values;
}

HRESULT CFBControl::Load(IPropertyBag* bag, IErrorLog*) {
    try {
        const ComPtr<IPropertyBag2> bag2 = ComPtr<IPropertyBag>(bag).query<IPropertyBag2>(IID_IPropertyBag2);
        if (m_pluginCore) {
            m_pluginCore->takeParamList(readPropertyBag(bag2.get()));
            setReady();
        }
    } catch (const std::exception&) {
        // The page's values are the page's: a bad one leaves the control as it is.
    }
    return S_OK;
}

HRESULT CFBControl::InitNew() {
    try {
        if (m_pluginCore) {
            m_pluginCore->takeParamList({});
            setReady();
        }
    } catch (const std::exception&) {
    }
    return S_OK;
}

void CFBControl::setReady() {
    m_windowOnly = !m_pluginCore->answersWindowless();
    setAPI(m_pluginCore->rootScriptingObject(), m_browserHost);
    connectWaitingSinks(m_connections);
    m_readyState = READYSTATE_COMPLETE;
    if (m_propertyNotifySink) m_propertyNotifySink->OnChanged(DISPID_READYSTATE);
    // Loading, initialising and siting each make the control ready, in the container's order: the
    // plug-in is marked ready each time until that schedules the page's "onload", which then runs
    // once. A site given before the <param>s (which carry "onload") loses nothing.
    if (m_onloadScheduled) return;
    m_onloadScheduled = m_pluginCore->markReady();
}

HRESULT CFBControl::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
        case OLEIVERB_INPLACEACTIVATE:
            try {
                return createPluginOnActivate(verb, position);
            } catch (const std::exception&) {
                return E_FAIL;
            }
        default:
            return E_NOTIMPL;
    }
}

HRESULT CFBControl::inPlaceActivate(LONG verb, LPCRECT position) {
    const HRESULT result = inPlaceActivateOnce(position);
    if (FAILED(result)) return result;
    if (verb == OLEIVERB_UIACTIVATE) uiActivate();
    return S_OK;
}

HRESULT CFBControl::inPlaceActivateOnce(LPCRECT position) {
    if (m_inPlaceActive) return position ? SetObjectRects(position, position) : S_OK;
    if (!m_clientSite) return E_UNEXPECTED;
    const auto windowlessSite = m_clientSite.query<IOleInPlaceSiteWindowless>(IID_IOleInPlaceSiteWindowless);
    m_windowless = windowlessSite && !m_windowOnly && windowlessSite->CanWindowlessActivate() == S_OK;
    m_wasOnceWindowless = m_windowless;
    const ComPtr<IOleInPlaceSite> site = windowlessSite ? ComPtr<IOleInPlaceSite>(windowlessSite.get())
                                                        : m_clientSite.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site || site->CanInPlaceActivate() != S_OK) return E_FAIL;
    site->OnInPlaceActivate();
    RECT clip{};
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    if (site->GetWindowContext(frame.put(), document.put(), &m_position, &clip, &frameInfo) < 0 && position)
        m_position = *position;
    if (!m_windowless) {
        HWND parent = nullptr;
        site->GetWindow(&parent);
        createControlWindow(parent, m_position);
        if (!m_hwnd) {
            site->OnInPlaceDeactivate();
            return E_FAIL;
        }
    }
    {
        std::lock_guard<std::mutex> guard(m_crossThreadLock);
        m_inPlaceSite = site;
    }
    m_inPlaceFrame = std::move(frame);
    m_inPlaceUIWindow = std::move(document);
    m_inPlaceActive = true;
    return S_OK;
}

// The site hears it first, so that the container can take any other object out of its user
// interface; then the frame and the document window hold the control's active object, through
// which they offer it keystrokes; then the control takes the focus.
void CFBControl::uiActivate() {
    if (m_uiActive || !m_inPlaceSite) return;
    m_uiActive = true;
    m_inPlaceSite->OnUIActivate();
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (m_inPlaceFrame) m_inPlaceFrame->SetActiveObject(active, nullptr);
    if (m_inPlaceUIWindow) m_inPlaceUIWindow->SetActiveObject(active, nullptr);
    if (m_windowless) {
        if (const auto site = m_inPlaceSite.query<IOleInPlaceSiteWindowless>(IID_IOleInPlaceSiteWindowless))
            site->SetFocus(TRUE);
    } else if (m_hwnd && GetFocus() != m_hwnd) {
        ::SetFocus(m_hwnd);
    }
}

void CFBControl::uiDeactivate() {
    if (!m_uiActive) return;
    m_uiActive = false;
    if (m_inPlaceUIWindow) m_inPlaceUIWindow->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceFrame) m_inPlaceFrame->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
}

void CFBControl::createControlWindow(HWND parent, const RECT& position) {
    registerControlWindowClass(controlWindowProc);
    m_hwnd = CreateWindowExW(0, kControlWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                             position.left, position.top, position.right - position.left,
                             position.bottom - position.top, parent, nullptr, nullptr, nullptr);
    if (m_hwnd) SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HRESULT CFBControl::createPluginOnActivate(LONG verb, LPCRECT position) {
    const HRESULT result = inPlaceActivate(verb, position);
    if (m_browserHost) m_browserHost->resume(m_webBrowser.get(), m_clientSite.get());
    if (FAILED(result)) return result;
    if (m_pluginWindow || !m_pluginCore) return S_OK;
    const FactoryBasePtr factory = sharedFactory();
    if (!m_windowless) {
        PluginWindowWin* window = factory->makeWindowedWrapper(WindowContextWindowed(m_hwnd));
        window->callPreviousProc = true;
        m_pluginWindow.reset(window);
    } else {
        PluginWindowlessWin* window = factory->makeWindowlessWrapper(WindowContextWindowless(nullptr));
        m_pluginWindow.reset(window);
        std::weak_ptr<ShareableReference<CFBControl>> self = m_selfReference;
        window->setInvalidateWindowFunc([self](int left, int top, int right, int bottom) {
            if (const auto reference = self.lock())
                reference->getPtr()->invalidateWindow(uint32_t(left), uint32_t(top), uint32_t(right), uint32_t(bottom));
        });
        HWND parent = nullptr;
        if (m_inPlaceSite && m_inPlaceSite->GetWindow(&parent) >= 0) window->setBrowserHWND(parent);
    }
    m_pluginCore->SetWindow(m_pluginWindow.get());
    return S_OK;
}

HRESULT CFBControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_hwnd;
    return m_hwnd ? S_OK : E_FAIL;
}

HRESULT CFBControl::SetObjectRects(LPCRECT position, LPCRECT clip) {
    if (!position || !clip) return E_POINTER;
    if (m_pluginCore && !m_pluginCore->answersWindowless()) m_windowless = m_wasOnceWindowless = false;
    m_position = *position;
    if (m_hwnd) {
        MoveWindow(m_hwnd, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    }
    if (m_windowless) {
        if (auto* window = dynamic_cast<PluginWindowlessWin*>(m_pluginWindow.get())) {
            window->setClipRect(clip->top, clip->left, clip->bottom, clip->right);
            window->setWindowPosition(position->left, position->top, position->right - position->left,
                                      position->bottom - position->top);
        }
    }
    return S_OK;
}

HRESULT CFBControl::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawInto, LPCRECTL bounds, LPCRECTL,
                         BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (bounds) paint(drawInto, *bounds);
    return S_OK;
}

// The bounds come as left, top, right, bottom; the framework's rectangle is top, left, bottom, right.
void CFBControl::paint(HDC drawInto, const RECTL& bounds) {
    if (!m_windowless) return;
    if (auto* window = dynamic_cast<PluginWindowlessWin*>(m_pluginWindow.get()))
        window->handleDraw(drawInto, Rect{bounds.top, bounds.left, bounds.bottom, bounds.right});
}

void CFBControl::destroyPluginWindow() {
    if (m_pluginCore) m_pluginCore->ClearWindow();
    m_pluginWindow.reset();
}

HRESULT CFBControl::InPlaceDeactivate() {
    try {
        destroyPluginWindow();
        if (m_browserHost) {
            m_browserHost->releaseAllHeldObjects();
            m_connections.sinks.clear();
            m_connections.waiting.clear();
            m_browserHost->suspend();
        }
    } catch (const std::exception&) {
    }
    if (!m_inPlaceActive) return S_OK;
    uiDeactivate();
    m_inPlaceActive = false;
    m_inPlaceUIWindow.reset();
    m_inPlaceFrame.reset();
    if (m_hwnd) DestroyWindow(std::exchange(m_hwnd, nullptr));
    ComPtr<IOleInPlaceSite> site;
    {
        std::lock_guard<std::mutex> guard(m_crossThreadLock);
        site = std::move(m_inPlaceSite);
    }
    if (site) site->OnInPlaceDeactivate();
    return S_OK;
}

void CFBControl::shutdown() {
    ActiveXBrowserHostPtr host;
    {
        std::lock_guard<std::mutex> guard(m_crossThreadLock);
        host = std::move(m_browserHost);
    }
    if (host) host->shutdown();
    if (m_pluginCore) {
        m_pluginCore->ClearWindow();
        m_pluginCore->shutdown();
    }
    m_pluginWindow.reset();
    m_api.reset();
    m_pluginCore.reset();
    m_propertyNotifySink.reset();
    m_webBrowser.reset();
    m_serviceProvider.reset();
    m_connections.sinks.clear();
    m_connections.waiting.clear();
}

HRESULT CFBControl::Close(DWORD) {
    try {
        shutdown();
    } catch (const std::exception&) {
    }
    return InPlaceDeactivate();
}

void CFBControl::invalidateWindow(uint32_t left, uint32_t top, uint32_t right, uint32_t bottom) {
    ActiveXBrowserHostPtr host;
    ComPtr<IOleInPlaceSite> site;
    {
        std::lock_guard<std::mutex> guard(m_crossThreadLock);
        host = m_browserHost;
        site = m_inPlaceSite;
    }
    if (site && host && !host->onMainThread()) {
        std::weak_ptr<ShareableReference<CFBControl>> self = m_selfReference;
        CrossThreadCall::postCall(host, [self, left, top, right, bottom] {
            if (const auto reference = self.lock()) reference->getPtr()->invalidateWindow(left, top, right, bottom);
        });
        return;
    }
    if (const auto windowless = site.query<IOleInPlaceSiteWindowless>(IID_IOleInPlaceSiteWindowless))
        windowless->InvalidateRect(nullptr, TRUE);
    else if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, TRUE);
}

HRESULT CFBControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    return getSafetyOptions(*static_cast<IOleObject*>(this), iid, supportedSafetyOptions(), m_enabledSafety, supported,
                            enabled);
}

HRESULT CFBControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD options) {
    return setSafetyOptions(*static_cast<IOleObject*>(this), iid, supportedSafetyOptions(), m_enabledSafety, mask,
                            options);
}

HRESULT CFBControl::GetClassInfo(ITypeInfo** info) {
    try {
        return ComModule::instance().classInfo(CLSID_FBControl0, info);
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CFBControl::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_FAIL : E_INVALIDARG;
}

}  // namespace FB::ActiveX

#include "activex/com_javascript_object.h"

#include "activex/activex_browser_host.h"
#include "activex/com_module.h"
#include "activex/object_safety.h"
#include "host/framework_log.h"

namespace FB::ActiveX {

namespace {

constexpr DWORD kSupportedSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

const char* const kSubObjectMimeType = "SUBOBJECT";

}  // namespace

COMJavascriptObject::COMJavascriptObject()
    : JSAPI_IDispatchEx(kSubObjectMimeType),
      m_sharedRef(std::make_shared<ShareableReference<IDispatchEx>>(static_cast<IDispatchEx*>(this))) {}

// The scripting object is dropped from the host's hold only when it and the host still exist.
COMJavascriptObject::~COMJavascriptObject() {
    if (!m_autoRelease) return;
    try {
        const JSAPIPtr api = m_api.lock();
        const ActiveXBrowserHostPtr host = m_host.lock();
        if (api && host) host->dropObject(api);
    } catch (...) {
        frameworkLog("ActiveX", "Releasing a scripting object failed");
    }
}

IDispatchEx* COMJavascriptObject::wrapApi(const ActiveXBrowserHostPtr& host, const JSAPIWeakPtr& api,
                                          bool autoRelease) {
    auto* object = new COMJavascriptObject();
    object->setAPI(api, host);
    object->m_autoRelease = autoRelease;
    IDispatchEx* dispatch = nullptr;
    object->QueryInterface(IID_IDispatchEx, reinterpret_cast<void**>(&dispatch));
    return dispatch;
}

HRESULT COMJavascriptObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == DIID_IFBComEventSource || iid == IID_IDispatch || iid == IID_IDispatchEx || iid == IID_IUnknown) {
        *object = static_cast<IDispatchEx*>(this);
    } else if (iid == IID_IPluginObject) {
        *object = static_cast<IPluginObject*>(static_cast<JSAPI_IDispatchExBase*>(this));
    } else if (iid == IID_IObjectSafety) {
        *object = static_cast<IObjectSafety*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
        *object = static_cast<IProvideClassInfo2*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG COMJavascriptObject::AddRef() { return ++m_references; }

ULONG COMJavascriptObject::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT COMJavascriptObject::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    return getSafetyOptions(*static_cast<IDispatchEx*>(this), iid, kSupportedSafety, m_enabledSafety, supported,
                            enabled);
}

HRESULT COMJavascriptObject::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD options) {
    return setSafetyOptions(*static_cast<IDispatchEx*>(this), iid, kSupportedSafety, m_enabledSafety, mask, options);
}

HRESULT COMJavascriptObject::GetClassInfo(ITypeInfo** info) {
    try {
        return ComModule::instance().classInfo(CLSID_FBComJavascriptObject, info);
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT COMJavascriptObject::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_FAIL : E_INVALIDARG;
}

COMJavascriptObject::SharedReference getCOMJavascriptObject(IDispatchEx* object) {
    auto* own = dynamic_cast<COMJavascriptObject*>(object);
    return own ? own->shareableReference() : nullptr;
}

}  // namespace FB::ActiveX

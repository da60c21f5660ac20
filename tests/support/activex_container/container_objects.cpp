#include "tests/support/activex_container/container_objects.h"

#include "activex/com_owners.h"
#include "scripting/utf8_tools.h"

namespace test_support {

namespace {

std::string textOf(const VARIANT* value) {
    if (!value || value->vt != VT_BSTR) return {};
    return FB::wideToUtf8(FB::ActiveX::bstrText(value->bstrVal));
}

}  // namespace

HRESULT ContainerWebBrowser::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IWebBrowser2) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IWebBrowser2*>(this);
    return S_OK;
}

HRESULT ContainerWebBrowser::Navigate(BSTR url, VARIANT*, VARIANT* targetFrameName, VARIANT*, VARIANT*) {
    ComBridge* bridge = usableBridge("IWebBrowser2::Navigate");
    if (!bridge) return E_UNEXPECTED;
    bridge->page()->writeConsole("navigate: " + FB::wideToUtf8(FB::ActiveX::bstrText(url)) + " in " +
                                 textOf(targetFrameName));
    return S_OK;
}

HRESULT ContainerWebBrowser::get_Document(IDispatch** document) {
    ComBridge* bridge = usableBridge("IWebBrowser2::get_Document");
    if (!bridge) return E_UNEXPECTED;
    if (!document) return E_POINTER;
    duk_context* context = bridge->page()->context();
    duk_push_global_object(context);
    duk_get_prop_string(context, -1, "document");
    PageDispatch* found = bridge->pageObjectFor(-1);
    duk_pop_2(context);
    *document = found ? found->dispatch() : nullptr;
    return found ? S_OK : E_FAIL;
}

HRESULT ContainerWebBrowser::get_LocationURL(BSTR* url) {
    ComBridge* bridge = usableBridge("IWebBrowser2::get_LocationURL");
    if (!bridge) return E_UNEXPECTED;
    if (!url) return E_POINTER;
    const ScriptResult href = bridge->page()->evaluate("window.location.href", "location");
    *url = FB::ActiveX::ScopedBstr(FB::utf8ToWide(href.ok ? href.text : std::string())).detach();
    return S_OK;
}

HRESULT ContainerSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleControlSite) {
        *object = static_cast<IOleControlSite*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT ContainerSite::GetExtendedControl(IDispatch** control) {
    ComBridge* bridge = usableBridge("IOleControlSite::GetExtendedControl");
    if (!bridge) return E_UNEXPECTED;
    if (!control) return E_POINTER;
    bridge->page()->pushHeldValue(elementKey_);
    PageDispatch* element = bridge->pageObjectFor(-1);
    duk_pop(bridge->page()->context());
    *control = element ? element->dispatch() : nullptr;
    return element ? S_OK : E_FAIL;
}

}  // namespace test_support

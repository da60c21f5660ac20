#include "tests/support/activex_container/page_dispatch.h"

#include "activex/com_owners.h"
#include "scripting/utf8_tools.h"
#include "tests/support/activex_container/com_bridge.h"
#include "tests/support/page_engine/browser_text.h"

namespace test_support {

namespace {

std::string nameText(BSTR name) { return FB::wideToUtf8(FB::ActiveX::bstrText(name)); }

}  // namespace

PageDispatch::PageDispatch(ComBridge& bridge, int heldKey, PageObjectKind kind)
    : bridge_(&bridge), heldKey_(heldKey), kind_(kind) {}

ComBridge* PageDispatch::usableBridge(const char* method) {
    if (!bridge_) return nullptr;
    if (!bridge_->checkMainThread(method)) return nullptr;
    return heldKey_ && bridge_->page() ? bridge_ : nullptr;
}

HRESULT PageDispatch::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (bridge_) bridge_->checkMainThread("QueryInterface on a page object");
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IDispatchEx) {
        *object = static_cast<IDispatchEx*>(this);
    } else if (iid == IID_IHTMLWindow2 && kind_ == PageObjectKind::Window) {
        *object = static_cast<IHTMLWindow2*>(this);
    } else if (iid == IID_IHTMLDocument2 && kind_ == PageObjectKind::Document) {
        *object = static_cast<IHTMLDocument2*>(this);
    } else if (iid == IID_IHTMLElement && kind_ == PageObjectKind::Element) {
        *object = static_cast<IHTMLElement*>(this);
    } else if (iid == IID_IHTMLElement2 && kind_ == PageObjectKind::Element) {
        *object = static_cast<IHTMLElement2*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG PageDispatch::AddRef() {
    if (bridge_) bridge_->checkMainThread("AddRef on a page object");
    return ++references_;
}

// The script value is let go on the main thread, where script runs.
ULONG PageDispatch::Release() {
    const ULONG left = --references_;
    if (left > 0) return left;
    if (!bridge_) {
        delete this;
    } else if (bridge_->checkMainThread("Release of a page object")) {
        bridge_->forgetPageObject(this);
        delete this;
    } else {
        // Taken back to zero by the Release posted to the main thread (kept for ever, a fault
        // recorded above, when that thread takes no more work).
        ++references_;
        bridge_->postToMainThread([this] { Release(); });
    }
    return left;
}

HRESULT PageDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT PageDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    ComBridge* bridge = usableBridge("GetIDsOfNames");
    if (!bridge) return E_UNEXPECTED;
    if (count > 0 && (!names || !ids)) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const std::string name = names[i] ? FB::wideToUtf8(names[i]) : std::string();
        bool has = false;
        bridge->hasMember(*this, name, has);
        ids[i] = has ? bridge->idForName(name) : DISPID_UNKNOWN;
        if (!has) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT PageDispatch::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT*) {
    return InvokeEx(id, locale, flags, params, result, exception, nullptr);
}

// A name the object lacks gets an id when asked for with fdexNameEnsure, as script objects make
// the member then.
HRESULT PageDispatch::GetDispID(BSTR name, DWORD flags, DISPID* id) {
    ComBridge* bridge = usableBridge("GetDispID");
    if (!bridge) return E_UNEXPECTED;
    if (!id) return E_POINTER;
    const std::string member = nameText(name);
    bool has = false;
    bridge->hasMember(*this, member, has);
    *id = has || (flags & fdexNameEnsure) ? bridge->idForName(member) : DISPID_UNKNOWN;
    return *id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT PageDispatch::InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                               IServiceProvider*) {
    ComBridge* bridge = usableBridge("InvokeEx");
    if (!bridge) return E_UNEXPECTED;
    return bridge->invoke(*this, id, flags, params, result, exception);
}

HRESULT PageDispatch::DeleteMemberByName(BSTR name, DWORD) {
    ComBridge* bridge = usableBridge("DeleteMemberByName");
    if (!bridge) return E_UNEXPECTED;
    return bridge->deleteMember(*this, nameText(name));
}

HRESULT PageDispatch::DeleteMemberByDispID(DISPID id) {
    ComBridge* bridge = usableBridge("DeleteMemberByDispID");
    if (!bridge) return E_UNEXPECTED;
    const std::string* name = bridge->nameForId(id);
    return name ? bridge->deleteMember(*this, *name) : S_FALSE;
}

HRESULT PageDispatch::GetMemberName(DISPID id, BSTR* name) {
    ComBridge* bridge = usableBridge("GetMemberName");
    if (!bridge) return E_UNEXPECTED;
    if (!name) return E_POINTER;
    const std::string* known = bridge->nameForId(id);
    if (!known) return DISP_E_UNKNOWNNAME;
    const std::wstring wide = FB::utf8ToWide(*known);
    *name = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT PageDispatch::GetNextDispID(DWORD, DISPID id, DISPID* next) {
    ComBridge* bridge = usableBridge("GetNextDispID");
    if (!bridge) return E_UNEXPECTED;
    if (!next) return E_POINTER;
    return bridge->nextMember(*this, id, next);
}

HRESULT PageDispatch::execScript(BSTR code, BSTR language, VARIANT* result) {
    ComBridge* bridge = usableBridge("IHTMLWindow2::execScript");
    if (!bridge) return E_UNEXPECTED;
    const std::string languageName = asciiLowerCase(nameText(language));
    if (languageName != "javascript" && languageName != "jscript") return E_INVALIDARG;
    return bridge->execScript(nameText(code), result);
}

HRESULT PageDispatch::get_parentWindow(IHTMLWindow2** window) {
    ComBridge* bridge = usableBridge("IHTMLDocument2::get_parentWindow");
    if (!bridge) return E_UNEXPECTED;
    if (!window) return E_POINTER;
    duk_context* context = bridge->page()->context();
    duk_push_global_object(context);
    PageDispatch* found = bridge->pageObjectFor(-1);
    duk_pop(context);
    *window = found;
    return found ? S_OK : E_FAIL;
}

}  // namespace test_support

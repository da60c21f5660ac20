// Script's view of the control's COM objects: Duktape proxies whose traps call GetDispID, InvokeEx,
// DeleteMemberByDispID and GetNextDispID on the object.
//
// A proxy's target is a native function (so that calling the proxy, or constructing with it, calls
// the object) carrying the address of a ProxyRecord, which holds the proxy's reference on the
// object. Every trap does its work in a member function that lets no C++ exception out and leaves
// one value on the stack; only the trap itself, holding no C++ object, throws that value into script.
#include "activex/com_owners.h"
#include "scripting/utf8_tools.h"
#include "tests/support/activex_container/com_bridge.h"
#include "tests/support/activex_container/container_keys.h"
#include "tests/support/page_engine/browser_text.h"

#include <set>

namespace test_support {

namespace {

using FB::ActiveX::ComPtr;
using FB::ActiveX::ScopedBstr;
using FB::ActiveX::ScopedExcepInfo;
using FB::ActiveX::ScopedVariant;
using FB::ActiveX::VariantArray;

// The largest argument list script may hand to the control in one call.
constexpr duk_idx_t kMostArguments = 10000;

constexpr const char* kNotSupported = "Object doesn't support this property or method";

ComPtr<IDispatchEx> dispatchExOf(IDispatch* object) {
    return ComPtr<IDispatch>(object).query<IDispatchEx>(IID_IDispatchEx);
}

std::string keyText(duk_context* context, duk_idx_t index) {
    duk_size_t length = 0;
    const char* text = duk_safe_to_lstring(context, index, &length);
    return utf8FromScript(text, length);
}

// A script error of the failed call: EXCEPINFO's description for an exception, else the browser's
// own text; its number is the result code.
void pushCallError(duk_context* context, HRESULT result, EXCEPINFO& exception) {
    const bool described = result == DISP_E_EXCEPTION && exception.bstrDescription;
    const std::string message =
        described ? FB::wideToUtf8(FB::ActiveX::bstrText(exception.bstrDescription)) : std::string(kNotSupported);
    duk_push_error_object(context, DUK_ERR_ERROR, "%s", message.c_str());
    duk_push_lstring(context, message.data(), message.size());
    duk_put_prop_string(context, -2, "description");
    duk_push_int(context, result);
    duk_put_prop_string(context, -2, "number");
    const std::string source = FB::wideToUtf8(FB::ActiveX::bstrText(exception.bstrSource));
    duk_push_lstring(context, source.data(), source.size());
    duk_put_prop_string(context, -2, "source");
}

}  // namespace

ComBridge& ComBridge::of(duk_context* context) {
    duk_push_global_stash(context);
    duk_get_prop_string(context, -1, kComBridgeKey);
    auto* bridge = static_cast<ComBridge*>(duk_get_pointer(context, -1));
    duk_pop_2(context);
    return *bridge;
}

ComBridge::ProxyRecord* ComBridge::recordOfProxy(duk_idx_t index) {
    auto* record = static_cast<ProxyRecord*>(recordAt(page_->context(), index, kComProxyKeys));
    return record && proxies_.count(record) ? record : nullptr;
}

void ComBridge::pushControlObject(IDispatch* object) {
    duk_context* context = page_->context();
    if (const auto found = proxyOf_.find(object); found != proxyOf_.end()) {
        duk_push_heapptr(context, found->second->proxy);
        return;
    }
    object->AddRef();
    auto* record = new ProxyRecord{this, object};
    proxies_.insert(record);
    record->proxy = pushRecordProxy(context, kComProxyKeys, record, trap<&ComBridge::callControl>, finalizeRecord,
                                    {{"get", trap<&ComBridge::proxyGet>, 3},
                                     {"set", trap<&ComBridge::proxySet>, 4},
                                     {"has", trap<&ComBridge::proxyHas>, 2},
                                     {"deleteProperty", trap<&ComBridge::proxyDelete>, 2},
                                     {"ownKeys", trap<&ComBridge::proxyOwnKeys>, 1}});
    proxyOf_.emplace(object, record);
}

duk_ret_t ComBridge::finalizeRecord(duk_context* context) {
    duk_get_prop_string(context, 0, kComProxyRecordKey);
    auto* record = static_cast<ProxyRecord*>(duk_get_pointer(context, -1));
    if (!record) return 0;
    ComBridge& bridge = *record->bridge;
    try {
        if (record->object) bridge.dropped_.push_back(record->object);
    } catch (...) {
        bridge.faults_.record("a dropped proxy's reference could not be queued");
    }
    const auto mapped = bridge.proxyOf_.find(record->object);
    if (mapped != bridge.proxyOf_.end() && mapped->second == record) bridge.proxyOf_.erase(mapped);
    bridge.proxies_.erase(record);
    delete record;
    return 0;
}

void ComBridge::releaseDroppedReferences() {
    while (!dropped_.empty()) {
        IDispatch* object = dropped_.back();
        dropped_.pop_back();
        object->Release();
    }
}

void ComBridge::disconnectProxies() {
    proxyOf_.clear();
    for (ProxyRecord* record : proxies_) {
        if (record->object) dropped_.push_back(record->object);
        record->object = nullptr;
    }
    releaseDroppedReferences();
}

// The record of the proxy target at index 0 of a trap, or of the function being called; null, with
// an error pushed, when the object is no longer reachable. Notes a fault when called off the main
// thread.
ComBridge::ProxyRecord* ComBridge::liveRecord(duk_context* context, bool ofCurrentFunction) {
    // Every call into the control passes here; the browser makes them on its main thread only.
    checkMainThread("a call into the control");
    if (ofCurrentFunction)
        duk_push_current_function(context);
    else
        duk_dup(context, 0);
    duk_get_prop_string(context, -1, kComProxyRecordKey);
    auto* record = static_cast<ProxyRecord*>(duk_get_pointer(context, -1));
    duk_pop_2(context);
    if (!record || !proxies_.count(record) || !record->object) {
        duk_push_error_object(context, DUK_ERR_ERROR, "The control's object is no longer available");
        return nullptr;
    }
    return record;
}

std::optional<DISPID> ComBridge::controlDispId(IDispatch* object, const std::string& name) {
    const std::wstring wide = FB::utf8ToWide(name);
    DISPID id = DISPID_UNKNOWN;
    HRESULT result = E_FAIL;
    if (const ComPtr<IDispatchEx> extended = dispatchExOf(object)) {
        const ScopedBstr text(wide);
        result = extended->GetDispID(text.get(), fdexNameCaseSensitive, &id);
    } else {
        std::wstring copy = wide;
        LPOLESTR names[] = {copy.data()};
        result = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    }
    if (result < 0) return std::nullopt;
    return id;
}

// `values` holds the parameter block as COM orders it: the named argument (if any) at position 0,
// then the arguments last-first.
bool ComBridge::invokeControl(duk_context* context, IDispatch* object, DISPID id, WORD flags, VariantArray& values,
                              DISPID* named, VARIANT* result) {
    DISPPARAMS params{values.data(), named, static_cast<UINT>(values.size()), named ? 1u : 0u};
    ScopedExcepInfo exception;
    const ComPtr<IDispatch> held(object);  // the call may drop the proxy's reference
    const ComPtr<IDispatchEx> extended = dispatchExOf(object);
    const HRESULT outcome =
        extended ? extended->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result, exception.get(), nullptr)
                 : object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception.get(), nullptr);
    if (outcome >= 0) return true;
    pushCallError(context, outcome, *exception.get());
    return false;
}

bool ComBridge::proxyGet(duk_context* context) {
    ProxyRecord* record = liveRecord(context, false);
    if (!record) return true;
    if (duk_is_symbol(context, 1)) {
        duk_push_undefined(context);
        return false;
    }
    IDispatch* object = record->object;
    const std::optional<DISPID> id = controlDispId(object, keyText(context, 1));
    if (!id) {
        duk_push_undefined(context);
        return false;
    }
    VariantArray none(0);
    ScopedVariant result;
    if (!invokeControl(context, object, *id, DISPATCH_PROPERTYGET, none, nullptr, result.get())) return true;
    pushVariant(*result.get());
    if (result.get()->vt == VT_DISPATCH && result.get()->pdispVal) {
        if (const auto fetched = proxyOf_.find(result.get()->pdispVal); fetched != proxyOf_.end()) {
            fetched->second->parent = object;
            fetched->second->parentId = *id;
        }
    }
    return false;
}

bool ComBridge::proxySet(duk_context* context) {
    ProxyRecord* record = liveRecord(context, false);
    if (!record) return true;
    if (duk_is_symbol(context, 1)) {
        duk_push_true(context);
        return false;
    }
    IDispatch* object = record->object;
    const std::optional<DISPID> id = controlDispId(object, keyText(context, 1));
    if (!id) {
        duk_push_error_object(context, DUK_ERR_TYPE_ERROR, "%s", kNotSupported);
        return true;
    }
    VariantArray value(1);
    toVariant(2, value[0]);
    DISPID named = DISPID_PROPERTYPUT;
    if (!invokeControl(context, object, *id, DISPATCH_PROPERTYPUT, value, &named, nullptr)) return true;
    duk_push_true(context);
    return false;
}

bool ComBridge::proxyHas(duk_context* context) {
    ProxyRecord* record = liveRecord(context, false);
    if (!record) return true;
    duk_push_boolean(context, !duk_is_symbol(context, 1) && controlDispId(record->object, keyText(context, 1)));
    return false;
}

bool ComBridge::proxyDelete(duk_context* context) {
    ProxyRecord* record = liveRecord(context, false);
    if (!record) return true;
    if (!duk_is_symbol(context, 1)) {
        const std::optional<DISPID> id = controlDispId(record->object, keyText(context, 1));
        const ComPtr<IDispatchEx> extended = dispatchExOf(record->object);
        if (id && extended) extended->DeleteMemberByDispID(*id);
    }
    duk_push_true(context);
    return false;
}

// Walks the members with GetNextDispID; a failure, or an id met before, ends the walk.
bool ComBridge::proxyOwnKeys(duk_context* context) {
    ProxyRecord* record = liveRecord(context, false);
    if (!record) return true;
    duk_push_array(context);
    const ComPtr<IDispatchEx> extended = dispatchExOf(record->object);
    if (!extended) return false;
    std::set<DISPID> seen;
    DISPID id = DISPID_STARTENUM;
    duk_uarridx_t next = 0;
    while (extended->GetNextDispID(fdexEnumAll, id, &id) == S_OK && seen.insert(id).second) {
        ScopedBstr name;
        if (extended->GetMemberName(id, name.put()) < 0) continue;
        const std::string text = FB::wideToUtf8(FB::ActiveX::bstrText(name.get()));
        duk_push_lstring(context, text.data(), text.size());
        duk_put_prop_index(context, -2, next++);
    }
    return false;
}

// A call of the proxy. Called on the object it was last read from, it calls that object's member;
// otherwise it calls the object itself with the this-value as the named DISPID_THIS argument. With
// "new" it constructs.
bool ComBridge::callControl(duk_context* context) {
    const duk_idx_t count = duk_get_top(context);
    ProxyRecord* record = liveRecord(context, true);
    if (!record) return true;
    if (count > kMostArguments) {
        duk_push_error_object(context, DUK_ERR_RANGE_ERROR, "Too many arguments for a call of the control");
        return true;
    }
    const bool construct = duk_is_constructor_call(context);
    duk_push_this(context);
    const ProxyRecord* thisRecord = construct ? nullptr : recordOfProxy(-1);
    const bool onParent = thisRecord && thisRecord->object && thisRecord->object == record->parent;
    const bool passThis = !construct && !onParent;
    const size_t first = passThis ? 1 : 0;
    VariantArray values(static_cast<size_t>(count) + first);
    if (passThis) toVariant(-1, values[0]);
    duk_pop(context);
    for (duk_idx_t i = 0; i < count; ++i) toVariant(i, values[first + static_cast<size_t>(count - 1 - i)]);
    DISPID named = DISPID_THIS;
    ScopedVariant result;
    IDispatch* target = onParent ? record->parent : record->object;
    const DISPID id = onParent ? record->parentId : DISPID_VALUE;
    const WORD flags = construct ? DISPATCH_CONSTRUCT : DISPATCH_METHOD;
    if (!invokeControl(context, target, id, flags, values, passThis ? &named : nullptr, result.get())) return true;
    pushVariant(*result.get());
    return false;
}

// Runs the work, letting no C++ exception out, and throws what it left on the stack when it says
// so; by then the trap's frame holds no C++ object for the jump to skip.
template <bool (ComBridge::*Work)(duk_context*)>
duk_ret_t ComBridge::trap(duk_context* context) {
    bool thrown = true;
    try {
        thrown = (of(context).*Work)(context);
    } catch (...) {
        duk_push_error_object(context, DUK_ERR_ERROR, "the container failed in a control object operation");
    }
    return thrown ? duk_throw(context) : 1;
}

}  // namespace test_support

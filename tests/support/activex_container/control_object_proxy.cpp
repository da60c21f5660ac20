// Script's view of the control's COM objects: Duktape proxies whose traps call GetDispID, InvokeEx,
// DeleteMemberByDispID and GetNextDispID on the object. Calling a proxy, or constructing with it,
// calls the object.
#include "activex/com_owners.h"
#include "scripting/utf8_tools.h"
#include "tests/support/activex_container/com_bridge.h"

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

std::string keyText(duk_context* context, duk_idx_t index) { return scriptText(context, index, true); }

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

void ComBridge::pushControlObject(IDispatch* object) {
    duk_context* context = page_->context();
    if (proxies_.pushKnown(context, object)) return;
    object->AddRef();
    proxies_.pushProxy<ComBridge>(context, object);
}

// Every call into the control passes here; the browser makes them on its main thread only.
ComBridge::Proxies::Record* ComBridge::liveRecord(duk_context* context, bool ofCurrentFunction) {
    checkMainThread("a call into the control");
    return proxies_.liveRecord(context, ofCurrentFunction);
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
    Proxies::Record* record = liveRecord(context, false);
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
        if (Proxies::Record* fetched = proxies_.proxyOf(result.get()->pdispVal)) {
            fetched->parent = object;
            fetched->parentId = *id;
        }
    }
    return false;
}

bool ComBridge::proxySet(duk_context* context) {
    Proxies::Record* record = liveRecord(context, false);
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
    Proxies::Record* record = liveRecord(context, false);
    if (!record) return true;
    duk_push_boolean(context, !duk_is_symbol(context, 1) && controlDispId(record->object, keyText(context, 1)));
    return false;
}

// Walks the members with GetNextDispID; a failure, or an id met before, ends the walk.
bool ComBridge::proxyOwnKeys(duk_context* context) {
    Proxies::Record* record = liveRecord(context, false);
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
bool ComBridge::callObject(duk_context* context) {
    const duk_idx_t count = duk_get_top(context);
    Proxies::Record* record = liveRecord(context, true);
    if (!record) return true;
    if (count > kMostArguments) {
        duk_push_error_object(context, DUK_ERR_RANGE_ERROR, "Too many arguments for a call of the control");
        return true;
    }
    const bool construct = duk_is_constructor_call(context);
    duk_push_this(context);
    const Proxies::Record* thisRecord = construct ? nullptr : proxies_.proxyAt(context, -1);
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

}  // namespace test_support

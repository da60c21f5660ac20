// InvokeEx of the plug-in's COM scripting objects: a DISPID back to its name, then the built-in
// members, a call, a construction, a property read or a property write on the scripting object,
// with every argument and result converted by the browser host. Script errors become COM results:
// an unknown member DISP_E_MEMBERNOTFOUND, any other script error DISP_E_EXCEPTION with the message
// in EXCEPINFO (and as the last exception), anything else E_NOTIMPL.
#include "activex/activex_browser_host.h"
#include "activex/builtin_functions.h"
#include "activex/dispatch_name_map.h"
#include "activex/jsapi_idispatch_ex_base.h"
#include "scripting/script_error.h"
#include "scripting/utf8_tools.h"

namespace FB::ActiveX {

namespace {

bool has(WORD flags, WORD flag) { return (flags & flag) != 0; }

// The first named argument may be the caller's this-value, at rgvarg[0].
bool passesThis(const DISPPARAMS* params) {
    return params && params->cNamedArgs > 0 && params->rgdispidNamedArgs[0] == DISPID_THIS;
}

bool wellFormed(const DISPPARAMS* params) {
    if (!params) return true;
    if (params->cArgs > 0 && !params->rgvarg) return false;
    return params->cNamedArgs <= params->cArgs && (params->cNamedArgs == 0 || params->rgdispidNamedArgs);
}

// In script order: rgvarg holds the last argument first. With skipThis the this-value is left out.
VariantList argumentsOf(ActiveXBrowserHost& host, const DISPPARAMS* params, bool skipThis) {
    VariantList args;
    if (!params) return args;
    const UINT first = skipThis ? 1 : 0;
    for (UINT i = params->cArgs; i > first; --i) args.push_back(host.getVariant(&params->rgvarg[i - 1]));
    return args;
}

void writeResult(ActiveXBrowserHost& host, VARIANT* result, const variant& value) {
    if (result) host.getComVariant(result, value);
}

// Script texts go to the page as UTF-16 (wide) text. A text that cannot be allocated stays null.
BSTR wideText(const std::string& utf8) {
    const std::wstring wide = utf8ToWide(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

void fillException(EXCEPINFO* exception, const std::string& source, const std::string& message) {
    if (!exception) return;
    exception->bstrSource = wideText(source);
    exception->bstrDescription = wideText(message);
    exception->bstrHelpFile = nullptr;
    exception->pfnDeferredFillIn = nullptr;
    exception->scode = E_NOTIMPL;
}

HRESULT answerStandardProperty(DISPID id, LONG readyState, VARIANT* result, bool& answered) {
    answered = true;
    if (!result) return E_INVALIDARG;
    if (id == DISPID_SECURITYCTX) return E_NOTIMPL;
    if (id == DISPID_READYSTATE || id == DISPID_ENABLED) {
        const HRESULT cleared = VariantClear(result);
        if (cleared < 0) return cleared;
        if (id == DISPID_READYSTATE) {
            result->vt = VT_I4;
            result->lVal = readyState;
        } else {
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
        }
        return S_OK;
    }
    answered = false;
    return S_OK;
}

}  // namespace

HRESULT JSAPI_IDispatchExBase::dispatchInvoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                              EXCEPINFO* exception, const std::string& mimetype, LONG readyState) {
    if (!wellFormed(params)) return E_INVALIDARG;
    JSAPIPtr api;
    try {
        api = getAPI();
    } catch (...) {
        return DISP_E_MEMBERNOTFOUND;
    }
    // Arguments and results need the host; without it the member cannot be reached.
    const ActiveXBrowserHostPtr host = getHost();
    if (!host || !dispatchNameMap.hasId(id)) return DISP_E_MEMBERNOTFOUND;
    try {
        if (has(flags, DISPATCH_PROPERTYGET)) {
            bool answered = false;
            const HRESULT standard = answerStandardProperty(id, readyState, result, answered);
            if (answered) return standard;
        }
        invokeMember(*api, *host, id, flags, params, result);
        return S_OK;
    } catch (const invalid_member& error) {
        setLastException(error.what());
        return DISP_E_MEMBERNOTFOUND;
    } catch (const script_error& error) {
        setLastException(error.what());
        fillException(exception, mimetype, error.what());
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_NOTIMPL;
    }
}

// The three built-in members: a call runs the function (with every argument, this-value included),
// a read gives the function object itself. True when the name is one of them.
bool JSAPI_IDispatchExBase::invokeBuiltin(ActiveXBrowserHost& host, const std::wstring& name, WORD flags,
                                          DISPPARAMS* params, VARIANT* result) {
    std::shared_ptr<JSFunction> function;
    if (name == L"getLastException") {
        function = getLastExceptionFunction;
    } else if (name == L"attachEvent") {
        function = attachEventFunction;
    } else if (name == L"detachEvent") {
        function = detachEventFunction;
    } else {
        return false;
    }
    if (has(flags, DISPATCH_METHOD)) {
        const bool readsLastException = function == getLastExceptionFunction;
        const variant value = function->exec(readsLastException ? VariantList() : argumentsOf(host, params, false));
        if (readsLastException) writeResult(host, result, value);
    } else if (has(flags, DISPATCH_PROPERTYGET)) {
        writeResult(host, result, variant(JSAPIPtr(function)));
    }
    return true;
}

void JSAPI_IDispatchExBase::invokeMember(JSAPI& api, ActiveXBrowserHost& host, DISPID id, WORD flags,
                                         DISPPARAMS* params, VARIANT* result) {
    std::wstring name = dispatchNameMap.getValueForId(id);
    if (invokeBuiltin(host, name, flags, params, result)) return;
    const bool skipThis = passesThis(params);
    if (skipThis && id == DISPID_VALUE) name.clear();
    if (has(flags, DISPATCH_METHOD) && (api.HasMethod(name) || id == DISPID_VALUE)) {
        writeResult(host, result, api.Invoke(name, argumentsOf(host, params, skipThis)));
        return;
    }
    if (has(flags, DISPATCH_CONSTRUCT)) {
        writeResult(host, result, api.Construct(argumentsOf(host, params, skipThis)));
        return;
    }
    if (has(flags, DISPATCH_PROPERTYGET)) {
        if (api.HasMethod(name)) {
            writeResult(host, result, api.canFetchMethod(name) ? variant(api.fetchMethodObject(name)) : variant(true));
            return;
        }
        if (api.HasProperty(name)) {
            writeResult(host, result, api.GetProperty(name));
            return;
        }
    }
    if (has(flags, DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF) && api.HasProperty(name)) {
        if (!params || params->cArgs == 0) throw invalid_arguments();
        api.SetProperty(name, host.getVariant(&params->rgvarg[0]));
        return;
    }
    throw invalid_member("Invalid method or property name");
}

}  // namespace FB::ActiveX

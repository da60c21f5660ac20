#include "tests/support/activex_container/control_event_sink.h"

#include "scripting/utf8_tools.h"

namespace test_support {

namespace {

std::string argumentText(const VARIANT& value) {
    switch (value.vt) {
        case VT_I4:
            return std::to_string(value.lVal);
        case VT_INT:
            return std::to_string(value.intVal);
        case VT_BSTR:
            return FB::wideToUtf8(value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal))
                                                : std::wstring());
        default:
            return "<vt " + std::to_string(value.vt) + ">";
    }
}

}  // namespace

ControlEventSink::ControlEventSink(MainThreadCheck onMainThread, FaultSink faults)
    : onMainThread_(std::move(onMainThread)), faults_(std::move(faults)) {}

void ControlEventSink::check(const char* method) {
    if (onMainThread_ && !onMainThread_() && faults_) faults_(std::string(method) + " called off the main thread");
}

HRESULT ControlEventSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG ControlEventSink::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT ControlEventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ControlEventSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    check("event sink GetIDsOfNames");
    if (count > 0 && (!names || !ids)) return E_POINTER;
    for (UINT i = 0; i < count; ++i) {
        const auto found = ids_.emplace(names[i], DISPID(ids_.size() + 1)).first;
        ids[i] = found->second;
    }
    return S_OK;
}

HRESULT ControlEventSink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO*, UINT*) {
    check("event sink Invoke");
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    std::string line;
    for (const auto& [name, known] : ids_) {
        if (known == id) line = FB::wideToUtf8(name);
    }
    if (line.empty()) return DISP_E_MEMBERNOTFOUND;
    line += "(";
    // Named arguments (the caller's this) come first in the block, the event's own last-first.
    const UINT positional = params && params->cArgs > params->cNamedArgs ? params->cArgs - params->cNamedArgs : 0;
    for (UINT i = 0; i < positional; ++i) {
        if (i > 0) line += ",";
        line += argumentText(params->rgvarg[params->cArgs - 1 - i]);
    }
    heard_.push_back(line + ")");
    if (result) VariantInit(result);
    return S_OK;
}

}  // namespace test_support

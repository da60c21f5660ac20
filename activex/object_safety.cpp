#include "activex/object_safety.h"

namespace FB::ActiveX {

namespace {

bool hasInterface(IUnknown& object, REFIID iid, HRESULT& result) {
    IUnknown* asked = nullptr;
    result = object.QueryInterface(iid, reinterpret_cast<void**>(&asked));
    if (result < 0) return false;
    asked->Release();
    return true;
}

}  // namespace

HRESULT getSafetyOptions(IUnknown& object, REFIID iid, DWORD supportedOptions, DWORD enabledOptions, DWORD* supported,
                         DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    HRESULT found = S_OK;
    const bool has = hasInterface(object, iid, found);
    *supported = has ? supportedOptions : 0;
    *enabled = has ? enabledOptions : 0;
    return has ? S_OK : found;
}

HRESULT setSafetyOptions(IUnknown& object, REFIID iid, DWORD supportedOptions, DWORD& enabledOptions, DWORD mask,
                         DWORD options) {
    HRESULT found = S_OK;
    if (!hasInterface(object, iid, found)) return E_NOINTERFACE;
    if (mask & ~supportedOptions) return E_FAIL;
    enabledOptions = (enabledOptions & ~mask) | (mask & options);
    return S_OK;
}

}  // namespace FB::ActiveX

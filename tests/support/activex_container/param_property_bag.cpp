#include "tests/support/activex_container/param_property_bag.h"

#include "platform/com/objbase.h"
#include "scripting/utf8_tools.h"

#include <cstring>

namespace test_support {

ParamPropertyBag::ParamPropertyBag(std::vector<std::pair<std::string, std::string>> params,
                                   std::set<std::string> failing) {
    for (const auto& [name, value] : params) params_.emplace_back(FB::utf8ToWide(name), FB::utf8ToWide(value));
    for (const std::string& name : failing) failing_.insert(FB::utf8ToWide(name));
}

HRESULT ParamPropertyBag::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPropertyBag)
        *object = static_cast<IPropertyBag*>(this);
    else if (iid == IID_IPropertyBag2)
        *object = static_cast<IPropertyBag2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ParamPropertyBag::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT ParamPropertyBag::readOne(const std::wstring& name, VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (failing_.count(name)) return E_FAIL;
    for (const auto& [key, text] : params_) {
        if (key != name) continue;
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
        return value->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    return E_INVALIDARG;
}

HRESULT ParamPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    return name ? readOne(name, value) : E_POINTER;
}

HRESULT ParamPropertyBag::Read(ULONG count, PROPBAG2* properties, IErrorLog*, VARIANT* values, HRESULT* results) {
    if (count > 0 && (!properties || !values || !results)) return E_POINTER;
    for (ULONG i = 0; i < count; ++i)
        results[i] = properties[i].pstrName ? readOne(properties[i].pstrName, &values[i]) : E_INVALIDARG;
    return S_OK;
}

HRESULT ParamPropertyBag::CountProperties(ULONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<ULONG>(params_.size());
    return S_OK;
}

HRESULT ParamPropertyBag::GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* properties, ULONG* got) {
    if (!properties || !got) return E_POINTER;
    *got = 0;
    for (ULONG i = first; i < params_.size() && *got < count; ++i) {
        const std::wstring& name = params_[i].first;
        PROPBAG2& property = properties[(*got)++];
        std::memset(&property, 0, sizeof(property));
        property.vt = VT_BSTR;
        auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
        if (copy) std::copy(name.c_str(), name.c_str() + name.size() + 1, copy);
        property.pstrName = copy;
    }
    return S_OK;
}

}  // namespace test_support

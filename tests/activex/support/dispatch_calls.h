// Calls on a COM scripting object as a browser makes them, for the binding's tests: member ids by
// name, InvokeEx with the arguments in script order (COM wants them last-first), and VARIANTs made
// from and read back as plain values.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/dispex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace activex_test {

using FB::ActiveX::ComPtr;
using FB::ActiveX::ScopedBstr;
using FB::ActiveX::ScopedExcepInfo;
using FB::ActiveX::ScopedVariant;
using FB::ActiveX::VariantArray;

inline VARIANT intVariant(LONG value) {
    VARIANT result{};
    result.vt = VT_I4;
    result.lVal = value;
    return result;
}

inline VARIANT textVariant(const std::wstring& text) {
    VARIANT result{};
    result.vt = VT_BSTR;
    result.bstrVal = ScopedBstr(text).detach();
    return result;
}

// Another reference to the object, as a VT_DISPATCH value.
inline VARIANT objectVariant(IDispatch* object) {
    VARIANT result{};
    result.vt = VT_DISPATCH;
    result.pdispVal = object;
    object->AddRef();
    return result;
}

inline std::wstring textOf(const VARIANT& value) {
    return value.vt == VT_BSTR ? FB::ActiveX::bstrText(value.bstrVal) : L"<not a string>";
}

inline DISPID idOf(IDispatchEx* object, const std::wstring& name) {
    const ScopedBstr text(name);
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, object->GetDispID(text.get(), fdexNameCaseSensitive, &id)) << std::string(name.begin(), name.end());
    return id;
}

// InvokeEx with `args` in script order (the call takes them over); with `thisValue`, it goes first as
// the named DISPID_THIS argument.
inline HRESULT invoke(IDispatchEx* object, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                      EXCEPINFO* exception = nullptr, IDispatch* thisValue = nullptr) {
    const size_t first = thisValue ? 1 : 0;
    VariantArray values(args.size() + first);
    if (thisValue) values[0] = objectVariant(thisValue);
    for (size_t i = 0; i < args.size(); ++i) values[first + args.size() - 1 - i] = args[i];
    DISPID named = DISPID_THIS;
    DISPPARAMS params{values.data(), thisValue ? &named : nullptr, static_cast<UINT>(values.size()),
                      thisValue ? 1u : 0u};
    return object->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result, exception, nullptr);
}

}  // namespace activex_test

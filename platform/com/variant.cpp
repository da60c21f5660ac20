#include "platform/com/oaidl.h"
#include "platform/com/variant_ownership.h"

namespace platform::detail {

bool isScalarVariantType(VARTYPE type) {
    switch (type) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_UNKNOWN:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

bool isValidVariantType(VARTYPE type) {
    const VARTYPE base = type & VT_TYPEMASK;
    const VARTYPE modifiers = type & ~VT_TYPEMASK;
    if (modifiers == 0) return isScalarVariantType(base);
    if (modifiers != VT_ARRAY && modifiers != VT_BYREF && modifiers != (VT_ARRAY | VT_BYREF)) return false;
    return base == VT_VARIANT || (isScalarVariantType(base) && base != VT_EMPTY && base != VT_NULL);
}

HRESULT copyVariantValue(VARIANT& copy, const VARIANT& source) {
    copy = source;
    if (source.vt & VT_BYREF) return S_OK;
    if (source.vt & VT_ARRAY) {
        const HRESULT copied = SafeArrayCopy(source.parray, &copy.parray);
        if (FAILED(copied)) VariantInit(&copy);
        return copied;
    }
    switch (source.vt) {
        case VT_BSTR:
            if (!source.bstrVal) return S_OK;
            copy.bstrVal = SysAllocStringLen(source.bstrVal, SysStringLen(source.bstrVal));
            if (copy.bstrVal) return S_OK;
            VariantInit(&copy);
            return E_OUTOFMEMORY;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (source.punkVal) source.punkVal->AddRef();
            return S_OK;
        default:
            return S_OK;
    }
}

}  // namespace platform::detail

using platform::detail::copyVariantValue;
using platform::detail::isValidVariantType;

extern "C" void WINAPI VariantInit(VARIANTARG* variant) {
    if (variant) variant->vt = VT_EMPTY;
}

extern "C" HRESULT WINAPI VariantClear(VARIANTARG* variant) {
    if (!variant) return E_INVALIDARG;
    if (!isValidVariantType(variant->vt)) return DISP_E_BADVARTYPE;
    if (variant->vt & VT_BYREF) {
        // A reference owns nothing.
    } else if (variant->vt & VT_ARRAY) {
        const HRESULT destroyed = SafeArrayDestroy(variant->parray);
        if (FAILED(destroyed)) return destroyed;
    } else if (variant->vt == VT_BSTR) {
        SysFreeString(variant->bstrVal);
    } else if ((variant->vt == VT_DISPATCH || variant->vt == VT_UNKNOWN) && variant->punkVal) {
        variant->punkVal->Release();
    }
    variant->vt = VT_EMPTY;
    return S_OK;
}

// The copy is made first, so a source that lives inside the destination's value survives the clear.
extern "C" HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    if (!destination || !source) return E_INVALIDARG;
    if (destination == source) return S_OK;
    if (!isValidVariantType(source->vt)) return DISP_E_BADVARTYPE;
    VARIANT copy;
    const HRESULT copied = copyVariantValue(copy, *source);
    if (FAILED(copied)) return copied;
    const HRESULT cleared = VariantClear(destination);
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *destination = copy;
    return S_OK;
}

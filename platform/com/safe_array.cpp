// One-dimensional arrays of VARIANTs: a header with the bound, and the elements in one block.
#include "platform/com/oleauto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The last index must be a LONG too.
bool boundFits(LONG lowerBound, ULONG count) {
    return int64_t(lowerBound) + int64_t(count) - 1 <= std::numeric_limits<LONG>::max();
}

VARIANT* elements(SAFEARRAY* array) { return static_cast<VARIANT*>(array->pvData); }

// The element an index names, or null outside the bound.
VARIANT* elementAt(SAFEARRAY* array, const LONG* indices) {
    if (!array || !indices || array->cDims != 1) return nullptr;
    const int64_t offset = int64_t(indices[0]) - array->rgsabound[0].lLbound;
    if (offset < 0 || offset >= int64_t(array->rgsabound[0].cElements)) return nullptr;
    return elements(array) + offset;
}

void clearElements(VARIANT* first, size_t count) {
    for (size_t i = 0; i < count; ++i) VariantClear(first + i);
}

}  // namespace

extern "C" SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count) {
    if (type != VT_VARIANT || !boundFits(lowerBound, count)) return nullptr;
    auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
    if (!array) return nullptr;
    array->pvData = count ? std::calloc(count, sizeof(VARIANT)) : nullptr;
    if (count && !array->pvData) {
        std::free(array);
        return nullptr;
    }
    array->cDims = 1;
    array->fFeatures = FADF_VARIANT;
    array->cbElements = sizeof(VARIANT);
    array->rgsabound[0] = {count, lowerBound};
    return array;  // zeroed elements are VT_EMPTY
}

extern "C" SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND* bounds) {
    if (dimensions != 1 || !bounds) return nullptr;
    return SafeArrayCreateVector(type, bounds[0].lLbound, bounds[0].cElements);
}

extern "C" HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array) {
    if (!array) return S_OK;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    clearElements(elements(array), array->rgsabound[0].cElements);
    std::free(array->pvData);
    std::free(array);
    return S_OK;
}

extern "C" HRESULT WINAPI SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* newBound) {
    if (!array || !newBound || array->cDims != 1) return E_INVALIDARG;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    const ULONG oldCount = array->rgsabound[0].cElements;
    const ULONG newCount = newBound->cElements;
    if (!boundFits(newBound->lLbound, newCount)) return E_INVALIDARG;
    if (newCount < oldCount) clearElements(elements(array) + newCount, oldCount - newCount);
    void* data = nullptr;
    if (newCount) {
        data = std::realloc(array->pvData, size_t(newCount) * sizeof(VARIANT));
        if (!data) return E_OUTOFMEMORY;  // the smaller array's removed elements are cleared already
        if (newCount > oldCount)
            std::memset(static_cast<VARIANT*>(data) + oldCount, 0, size_t(newCount - oldCount) * sizeof(VARIANT));
    } else {
        std::free(array->pvData);
    }
    array->pvData = data;
    array->rgsabound[0] = *newBound;
    return S_OK;
}

extern "C" UINT WINAPI SafeArrayGetDim(SAFEARRAY* array) { return array ? array->cDims : 0; }

extern "C" HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound) {
    if (!array || !lowerBound) return E_INVALIDARG;
    if (dimension != 1) return DISP_E_BADINDEX;
    *lowerBound = array->rgsabound[0].lLbound;
    return S_OK;
}

extern "C" HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound) {
    if (!array || !upperBound) return E_INVALIDARG;
    if (dimension != 1) return DISP_E_BADINDEX;
    *upperBound = static_cast<LONG>(int64_t(array->rgsabound[0].lLbound) + array->rgsabound[0].cElements - 1);
    return S_OK;
}

extern "C" HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
    if (!value) return E_INVALIDARG;
    VARIANT* element = elementAt(array, indices);
    if (!element) return array && indices ? DISP_E_BADINDEX : E_INVALIDARG;
    return VariantCopy(element, static_cast<const VARIANT*>(value));
}

extern "C" HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value) {
    if (!value) return E_INVALIDARG;
    VARIANT* element = elementAt(array, indices);
    if (!element) return array && indices ? DISP_E_BADINDEX : E_INVALIDARG;
    auto* copy = static_cast<VARIANT*>(value);
    VariantInit(copy);
    return VariantCopy(copy, element);
}

extern "C" HRESULT WINAPI SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    const SAFEARRAYBOUND bound = array->rgsabound[0];
    SAFEARRAY* made = SafeArrayCreateVector(VT_VARIANT, bound.lLbound, bound.cElements);
    if (!made) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < bound.cElements; ++i) {
        const HRESULT copied = VariantCopy(elements(made) + i, elements(array) + i);
        if (FAILED(copied)) {
            SafeArrayDestroy(made);
            return copied;
        }
    }
    *copy = made;
    return S_OK;
}

// Which VT_ codes a VARIANT may hold, and the deep copy behind VariantCopy. Internal to the platform
// library.
#pragma once

#include "platform/com/oleauto.h"

namespace platform::detail {

// True for the codes of a value held in place: the scalars, strings and objects.
bool isScalarVariantType(VARTYPE type);
// True for every code a VARIANT may hold: a scalar, an array of scalars or VARIANTs, or a reference.
bool isValidVariantType(VARTYPE type);
// Makes `copy` an independent copy of `source`; leaves it VT_EMPTY on failure.
HRESULT copyVariantValue(VARIANT& copy, const VARIANT& source);

}  // namespace platform::detail

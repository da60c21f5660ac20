// IObjectSafety as the plug-in's COM objects answer it: the same options for every interface the
// object has, `supportedOptions` offered, the enabled ones kept by the object.
#pragma once

#include "platform/com/objsafe.h"

namespace FB::ActiveX {

// E_POINTER for a null output; the object's QueryInterface failure (both outputs 0) for an
// interface it does not have.
HRESULT getSafetyOptions(IUnknown& object, REFIID iid, DWORD supportedOptions, DWORD enabledOptions, DWORD* supported,
                         DWORD* enabled);
// E_NOINTERFACE for an interface the object does not have, E_FAIL for a mask with an option
// outside the supported ones; otherwise the masked options take the new values.
HRESULT setSafetyOptions(IUnknown& object, REFIID iid, DWORD supportedOptions, DWORD& enabledOptions, DWORD mask,
                         DWORD options);

}  // namespace FB::ActiveX

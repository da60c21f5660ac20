// The base interface of every COM object: interface lookup and reference counting. An object
// deletes itself when its last reference is released.
#pragma once

#include "platform/base/win_types.h"
#include "platform/com/guiddef.h"

extern "C" const IID IID_IUnknown;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    // Objects are destroyed by their last Release, never through an interface pointer.
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

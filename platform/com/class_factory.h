// Class objects: what a COM server's DllGetClassObject hands out to make instances of one class.
#pragma once

#include "platform/com/unknwn.h"

extern "C" const IID IID_IClassFactory;

#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    // TRUE keeps the server loaded without an object alive, FALSE undoes one such lock.
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// The entry points of an in-process COM server, as a container looks them up in the library.
typedef HRESULT(STDAPICALLTYPE* LPFNGETCLASSOBJECT)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* LPFNCANUNLOADNOW)();
typedef HRESULT(STDAPICALLTYPE* LPFNREGISTERSERVER)();
typedef HRESULT(STDAPICALLTYPE* LPFNDLLINSTALL)(BOOL install, LPCWSTR commandLine);

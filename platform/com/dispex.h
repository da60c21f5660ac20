// IDispatchEx: IDispatch whose members are found by name one at a time (GetDispID), called with
// the caller's this-value as a named argument (InvokeEx), listed (GetNextDispID, GetMemberName)
// and deleted.
#pragma once

#include "platform/com/oaidl.h"
#include "platform/com/servprov.h"

extern "C" const IID IID_IDispatchEx;

// GetDispID: how a name is matched.
#define fdexNameCaseSensitive 0x00000001L
#define fdexNameEnsure 0x00000002L
#define fdexNameImplicit 0x00000004L
#define fdexNameCaseInsensitive 0x00000008L
// GetNextDispID: which members are listed.
#define fdexEnumDefault 0x00000001L
#define fdexEnumAll 0x00000002L

struct IDispatchEx : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD flags, DISPID* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                               EXCEPINFO* exception, IServiceProvider* caller) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR name, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID id, DWORD fetch, DWORD* properties) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemberName(DISPID id, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD flags, DISPID id, DISPID* next) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown** parent) = 0;

protected:
    ~IDispatchEx() = default;
};

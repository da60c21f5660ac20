// IDispatch, through which script calls objects by member id (DISPID): the call's parameter block
// (DISPPARAMS, arguments last-first), the exception record a failed call fills (EXCEPINFO), and the
// ids, call kinds and result codes of dispatch calls.
#pragma once

#include "platform/com/oleauto.h"
#include "platform/com/unknwn.h"

extern "C" const IID IID_IDispatch;

// Declared in platform/com/type_info.h; only its name is needed by the signatures here.
struct ITypeInfo;

typedef struct tagDISPPARAMS {
    VARIANTARG* rgvarg;  // the arguments, the last one first
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
} DISPPARAMS;

typedef struct tagEXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(struct tagEXCEPINFO*);
    SCODE scode;
} EXCEPINFO;

// Member ids with a meaning of their own.
#define DISPID_UNKNOWN ((DISPID)-1)
#define DISPID_VALUE ((DISPID)0)
#define DISPID_PROPERTYPUT ((DISPID)-3)
#define DISPID_STARTENUM DISPID_UNKNOWN
#define DISPID_ENABLED ((DISPID)-514)
#define DISPID_READYSTATE ((DISPID)-525)
#define DISPID_THIS ((DISPID)-613)
#define DISPID_SECURITYCTX ((DISPID)-5511)

// What a call does with the member.
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPATCH_CONSTRUCT 0x4000

#define LOCALE_USER_DEFAULT ((LCID)0x400)
#define LOCALE_SYSTEM_DEFAULT ((LCID)0x800)

#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)

// The loading progress an object reports through DISPID_READYSTATE.
#define READYSTATE_LOADING 1
#define READYSTATE_COMPLETE 4

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                                    DISPID* ids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                             VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;

protected:
    ~IDispatch() = default;
};
typedef IDispatch* LPDISPATCH;

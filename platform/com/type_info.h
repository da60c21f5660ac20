// Type information: one type of a type library (a class, an interface, a dispatch interface) as
// the library describes it: its attributes, the interfaces a class implements with their roles
// (default, outgoing), the types those refer to, its name and help string. Containers read a
// control's class this way to find the outgoing interface its events come through.
#pragma once

#include "platform/com/guiddef.h"
#include "platform/com/oaidl.h"
#include "platform/com/oleauto.h"
#include "platform/com/unknwn.h"

extern "C" const IID IID_ITypeInfo;

struct ITypeLib;

typedef DWORD HREFTYPE;
typedef DISPID MEMBERID;
// The type itself rather than one of its members.
#define MEMBERID_NIL DISPID_UNKNOWN

#define TYPE_E_ELEMENTNOTFOUND ((HRESULT)0x8002802BL)

typedef enum tagTYPEKIND {
    TKIND_ENUM = 0,
    TKIND_RECORD,
    TKIND_MODULE,
    TKIND_INTERFACE,
    TKIND_DISPATCH,
    TKIND_COCLASS,
    TKIND_ALIAS,
    TKIND_UNION,
    TKIND_MAX
} TYPEKIND;

// TYPEATTR::wTypeFlags.
#define TYPEFLAG_FCANCREATE 0x2
#define TYPEFLAG_FCONTROL 0x20
#define TYPEFLAG_FDUAL 0x40
#define TYPEFLAG_FNONEXTENSIBLE 0x80
#define TYPEFLAG_FOLEAUTOMATION 0x100
#define TYPEFLAG_FDISPATCHABLE 0x1000

// GetImplTypeFlags: the class's default interface of its kind, and an outgoing (event) interface.
#define IMPLTYPEFLAG_FDEFAULT 0x1
#define IMPLTYPEFLAG_FSOURCE 0x2

// The attributes of a type (the descriptions of an alias's type and of IDL use are not kept).
typedef struct tagTYPEATTR {
    GUID guid;
    LCID lcid;
    DWORD dwReserved;
    MEMBERID memidConstructor;
    MEMBERID memidDestructor;
    LPOLESTR lpstrSchema;
    ULONG cbSizeInstance;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cVars;
    WORD cImplTypes;
    WORD cbSizeVft;
    WORD cbAlignment;
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
} TYPEATTR;

struct ITypeInfo : IUnknown {
    // Freed with ReleaseTypeAttr.
    virtual HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* reference) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* flags) = 0;
    // Any output may be null; the strings are the caller's to free.
    virtual HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID member, BSTR* name, BSTR* documentation,
                                                       DWORD* helpContext, BSTR* helpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) = 0;
    virtual void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) = 0;

protected:
    ~ITypeInfo() = default;
};

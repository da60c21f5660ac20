// OLE automation values: strings (BSTR), the VARIANT record with the VT_ type codes the system
// uses, one-dimensional arrays of VARIANTs (SAFEARRAY), and the functions that own them.
//
// A BSTR holds WCHAR units (wchar_t, 32-bit here) behind a 32-bit length prefix counting bytes, and
// a terminating zero after them; the text may hold zeros of its own, so its length is the prefix,
// never the first zero. A null BSTR is the empty string.
#pragma once

#include "platform/base/win_types.h"

struct IUnknown;
struct IDispatch;

typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR;
typedef DWORD LCID;
typedef LONG SCODE;
typedef double DATE;

enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_CLSID = 72,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0xFFF,
};

// A 96-bit unsigned integer (Hi32 above Lo64) scaled down by 10^scale, negative when sign is 0x80.
typedef struct tagDEC {
    USHORT wReserved;
    BYTE scale;
    BYTE sign;
    ULONG Hi32;
    ULONGLONG Lo64;
} DECIMAL;
#define DECIMAL_NEG ((BYTE)0x80)

struct tagSAFEARRAY;

// A DECIMAL fills the whole record: its first field lies where vt does.
typedef struct tagVARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                FLOAT fltVal;
                DOUBLE dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                DATE date;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                struct tagSAFEARRAY* parray;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                void* byref;
            };
        };
        DECIMAL decVal;
    };
} VARIANT;
typedef VARIANT VARIANTARG;

static_assert(sizeof(VARIANT) == 16);

typedef struct tagSAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
} SAFEARRAYBOUND;

// Only arrays of one dimension whose elements are VARIANTs (VT_VARIANT) are made here; their
// fFeatures say so (FADF_VARIANT).
typedef struct tagSAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
} SAFEARRAY;
#define FADF_VARIANT 0x0800

// Result codes of the automation calls.
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)

// Strings. SysAllocStringLen copies exactly `length` units (zeros included) and, given no text,
// leaves them zero; a length whose byte count does not fit the prefix gives null.
extern "C" BSTR WINAPI SysAllocString(const OLECHAR* text);
extern "C" BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length);
extern "C" void WINAPI SysFreeString(BSTR text);
extern "C" UINT WINAPI SysStringLen(BSTR text);
extern "C" UINT WINAPI SysStringByteLen(BSTR text);

// VARIANTs. VariantClear frees what the value owns (its string, its array, its reference on an
// object) and leaves VT_EMPTY; VariantCopy clears the destination and makes it an independent copy.
// VariantChangeType converts between the numbers, VT_BOOL and VT_EMPTY and copies a VT_BSTR as it
// is; any other change answers DISP_E_TYPEMISMATCH (DISP_E_BADVARTYPE for a code that is no
// VARIANT content) and leaves the destination as it was. Source and destination may be one record.
extern "C" void WINAPI VariantInit(VARIANTARG* variant);
extern "C" HRESULT WINAPI VariantClear(VARIANTARG* variant);
extern "C" HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source);
extern "C" HRESULT WINAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT flags,
                                            VARTYPE type);

// Arrays of one dimension of VT_VARIANT; any other shape or element type gives null (E_INVALIDARG).
// Elements are put and got as independent copies; destroying or shrinking clears what goes.
extern "C" SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND* bounds);
extern "C" SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count);
extern "C" HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array);
extern "C" HRESULT WINAPI SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* newBound);
extern "C" UINT WINAPI SafeArrayGetDim(SAFEARRAY* array);
extern "C" HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound);
extern "C" HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound);
extern "C" HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);
extern "C" HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
extern "C" HRESULT WINAPI SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);

// Persistence of a control's properties: the page's <param> values reach it through a property bag.
#pragma once

#include "platform/com/oaidl.h"

extern "C" const IID IID_IPersist;
extern "C" const IID IID_IPersistPropertyBag;
extern "C" const IID IID_IPropertyBag;
extern "C" const IID IID_IPropertyBag2;
extern "C" const IID IID_IErrorLog;

typedef WORD CLIPFORMAT;

// Where a property's read failure is reported; the control passes it on as it came.
struct IErrorLog : IUnknown {
protected:
    ~IErrorLog() = default;
};

struct IPropertyBag : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) = 0;

protected:
    ~IPropertyBag() = default;
};

typedef struct tagPROPBAG2 {
    DWORD dwType;
    VARTYPE vt;
    CLIPFORMAT cfType;
    DWORD dwHint;
    LPOLESTR pstrName;  // task memory, freed by the reader with CoTaskMemFree
    CLSID clsid;
} PROPBAG2;

struct IPropertyBag2 : IUnknown {
    // Reads `count` properties at once; each gets its value and its own result.
    virtual HRESULT STDMETHODCALLTYPE Read(ULONG count, PROPBAG2* properties, IErrorLog* log, VARIANT* values,
                                           HRESULT* results) = 0;
    virtual HRESULT STDMETHODCALLTYPE CountProperties(ULONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* properties, ULONG* got) = 0;

protected:
    ~IPropertyBag2() = default;
};

struct IPersist : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) = 0;

protected:
    ~IPersist() = default;
};

struct IPersistPropertyBag : IPersist {
    virtual HRESULT STDMETHODCALLTYPE InitNew() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) = 0;

protected:
    ~IPersistPropertyBag() = default;
};

// Control interfaces: connection points (an object's outgoing event interfaces, to which sinks are
// advised by cookie), class information, property-change notification and the control site.
#pragma once

#include "platform/com/oaidl.h"

extern "C" const IID IID_IConnectionPointContainer;
extern "C" const IID IID_IConnectionPoint;
extern "C" const IID IID_IEnumConnectionPoints;
extern "C" const IID IID_IProvideClassInfo;
extern "C" const IID IID_IProvideClassInfo2;
extern "C" const IID IID_IPropertyNotifySink;
extern "C" const IID IID_IOleControlSite;

#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200L)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201L)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202L)

// IProvideClassInfo2::GetGUID: the object's default outgoing dispatch interface.
#define GUIDKIND_DEFAULT_SOURCE_DISP_IID 1

struct IConnectionPoint;
struct IConnectionPointContainer;
// The enumerator of an object's advised sinks is never handed out here.
struct IEnumConnections;

struct IEnumConnectionPoints : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) = 0;

protected:
    ~IEnumConnectionPoints() = default;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

struct IConnectionPoint : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) = 0;

protected:
    ~IConnectionPoint() = default;
};

struct IProvideClassInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) = 0;

protected:
    ~IProvideClassInfo() = default;
};

struct IProvideClassInfo2 : IProvideClassInfo {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) = 0;

protected:
    ~IProvideClassInfo2() = default;
};

struct IPropertyNotifySink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) = 0;

protected:
    ~IPropertyNotifySink() = default;
};

// The container's side of an embedded control; the extended control is the page's element object
// that stands for it.
struct IOleControlSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) = 0;

protected:
    ~IOleControlSite() = default;
};

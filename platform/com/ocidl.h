// Control interfaces: connection points (an object's outgoing event interfaces, to which sinks are
// advised by cookie), class information, property-change notification, the control site, the
// control's own side (ambient changes, frozen events) and quick activation.
#pragma once

#include "platform/com/oaidl.h"
#include "platform/com/oleidl.h"
#include "platform/com/ole_view.h"

extern "C" const IID IID_IConnectionPointContainer;
extern "C" const IID IID_IConnectionPoint;
extern "C" const IID IID_IEnumConnectionPoints;
extern "C" const IID IID_IProvideClassInfo;
extern "C" const IID IID_IProvideClassInfo2;
extern "C" const IID IID_IPropertyNotifySink;
extern "C" const IID IID_IOleControlSite;
extern "C" const IID IID_IOleControl;
extern "C" const IID IID_IQuickActivate;

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
// that stands for it. OnFocus tells the container that the control's window gained (TRUE) or lost
// (FALSE) the keyboard focus, so the page knows which of its elements has it.
struct IOleControlSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) = 0;

protected:
    ~IOleControlSite() = default;
};

// The container tells the control that ambient properties changed (DISPID_UNKNOWN: any of them),
// and holds its events back while it is set up (FreezeEvents counts: TRUE freezes once more,
// FALSE thaws once).
struct IOleControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) = 0;

protected:
    ~IOleControl() = default;
};

// What a container hands a control in one call instead of setting it up piece by piece; only the
// client site and the event sink are used here, the other members are named for their place.
struct IAdviseSink;
struct IServiceProvider;
struct IFont;
struct IOleUndoManager;
struct IBindHost;
struct HPALETTE__;
typedef HPALETTE__* HPALETTE;
typedef DWORD OLE_COLOR;

// QACONTAINER::dwAmbientFlags.
#define QACONTAINER_USERMODE 0x4
#define QACONTAINER_AUTOCLIP 0x20

typedef struct tagQACONTAINER {
    ULONG cbSize;
    IOleClientSite* pClientSite;
    IAdviseSink* pAdviseSink;
    IPropertyNotifySink* pPropertyNotifySink;
    IUnknown* pUnkEventSink;  // advised on the control's default outgoing interface
    DWORD dwAmbientFlags;
    OLE_COLOR colorFore;
    OLE_COLOR colorBack;
    IFont* pFont;
    IOleUndoManager* pUndoMgr;
    DWORD dwAppearance;
    LONG lcid;
    HPALETTE hpal;
    IBindHost* pBindHost;
    IOleControlSite* pOleControlSite;
    IServiceProvider* pServiceProvider;
} QACONTAINER;

// What the control answers: its OLEMISC bits, its VIEWSTATUS bits and the cookies of the sinks it
// advised (0 for one it did not).
typedef struct tagQACONTROL {
    ULONG cbSize;
    DWORD dwMiscStatus;
    DWORD dwViewStatus;
    DWORD dwEventCookie;
    DWORD dwPropNotifyCookie;
    DWORD dwPointerActivationPolicy;
} QACONTROL;

struct IQuickActivate : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) = 0;
    // The control's extent in HIMETRIC, as IOleObject::SetExtent and GetExtent for its content.
    virtual HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) = 0;

protected:
    ~IQuickActivate() = default;
};

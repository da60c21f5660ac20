// View objects: how a container has an embedded object draw itself into the container's surface,
// asks its size in HIMETRIC units (0.01 mm), whether it is opaque, and whether a point or a
// rectangle of the container's window falls on it (how input reaches an object without a window).
#pragma once

#include "platform/base/win_user_types.h"
#include "platform/com/unknwn.h"

extern "C" const IID IID_IViewObject;
extern "C" const IID IID_IViewObject2;
extern "C" const IID IID_IViewObjectEx;

// The object's picture as it shows in the page; the only aspect drawn or measured here.
#define DVASPECT_CONTENT 1

#define DV_E_DVASPECT ((HRESULT)0x8004006BL)

typedef struct _RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECTL;
typedef const RECTL* LPCRECTL;

typedef struct tagSIZEL {
    LONG cx;
    LONG cy;
} SIZEL;
typedef SIZEL* LPSIZEL;

// The device a picture is meant for; never described here (always null).
struct tagDVTARGETDEVICE;
typedef tagDVTARGETDEVICE DVTARGETDEVICE;

// GetViewStatus: the object covers its whole rectangle, with a background of one colour.
#define VIEWSTATUS_OPAQUE 1
#define VIEWSTATUS_SOLIDBKGND 2

// QueryHitPoint and QueryHitRect.
#define HITRESULT_OUTSIDE 0
#define HITRESULT_TRANSPARENT 1
#define HITRESULT_CLOSE 2
#define HITRESULT_HIT 3

// GetNaturalExtent: the size the object would have by its content alone.
#define DVEXTENT_CONTENT 0
#define DVEXTENT_INTEGRAL 1

typedef struct tagExtentInfo {
    ULONG cb;
    DWORD dwExtentMode;
    SIZEL sizelProposed;
} DVEXTENTINFO;

struct IViewObject : IUnknown {
    // `bounds` is the object's rectangle in the device context, left, top, right, bottom.
    virtual HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                           HDC targetDevice, HDC drawInto, LPCRECTL bounds, LPCRECTL metafileBounds,
                                           BOOL(STDMETHODCALLTYPE* keepDrawing)(ULONG_PTR), ULONG_PTR keepDrawingArgument) = 0;

protected:
    ~IViewObject() = default;
};

struct IViewObject2 : IViewObject {
    virtual HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) = 0;

protected:
    ~IViewObject2() = default;
};

struct IViewObjectEx : IViewObject2 {
    virtual HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* status) = 0;
    // Both in the container's window coordinates, with `bounds` the object's rectangle there.
    virtual HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                                                    DWORD* hitResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                                                   DWORD* hitResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                                       HDC targetDevice, DVEXTENTINFO* extentInfo, LPSIZEL size) = 0;

protected:
    ~IViewObjectEx() = default;
};

// Embedding a control in a container's window: the object's side (IOleObject, its window and
// in-place object) and the container's in-place site, windowed or windowless. Only the operations
// the plug-in's control and the stand-in container call are declared.
#pragma once

#include "platform/base/win_user_types.h"
#include "platform/com/ole_view.h"
#include "platform/com/oleauto.h"
#include "platform/com/oleidl.h"
#include "platform/window/win_window.h"

extern "C" const IID IID_IOleObject;
extern "C" const IID IID_IOleWindow;
extern "C" const IID IID_IOleInPlaceObject;
extern "C" const IID IID_IOleInPlaceSite;
extern "C" const IID IID_IOleInPlaceSiteWindowless;
extern "C" const IID IID_IObjectWithSite;
extern "C" const IID IID_IOleInPlaceObjectWindowless;
extern "C" const IID IID_IOleInPlaceActiveObject;
extern "C" const IID IID_IOleInPlaceUIWindow;
extern "C" const IID IID_IOleInPlaceFrame;

// Verbs of IOleObject::DoVerb.
#define OLEIVERB_PRIMARY 0L
#define OLEIVERB_SHOW (-1L)
#define OLEIVERB_UIACTIVATE (-4L)
#define OLEIVERB_INPLACEACTIVATE (-5L)

// IOleObject::Close.
#define OLECLOSE_SAVEIFDIRTY 0
#define OLECLOSE_NOSAVE 1

// The registry's MiscStatus bits the control declares.
#define OLEMISC_RECOMPOSEONRESIZE 0x1
#define OLEMISC_CANTLINKINSIDE 0x10
#define OLEMISC_INSIDEOUT 0x80
#define OLEMISC_ACTIVATEWHENVISIBLE 0x100
#define OLEMISC_SETCLIENTSITEFIRST 0x20000

#define OLE_E_NOT_INPLACEACTIVE ((HRESULT)0x80040010L)


struct IOleObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) = 0;
    // For the in-place verbs the container's window and the object's rectangle in it.
    virtual HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index, HWND parent,
                                             LPCRECT position) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) = 0;
    // The object's size in HIMETRIC units (0.01 mm): the one the container gives it, and back.
    virtual HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) = 0;

protected:
    ~IOleObject() = default;
};

struct IOleWindow : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) = 0;

protected:
    ~IOleWindow() = default;
};

struct IOleInPlaceObject : IOleWindow {
    virtual HRESULT STDMETHODCALLTYPE InPlaceDeactivate() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) = 0;

protected:
    ~IOleInPlaceObject() = default;
};

// An object the container holds without a window of its own: the container passes it the window
// messages meant for it.
struct IOleInPlaceObjectWindowless : IOleInPlaceObject {
    // S_OK with the result when the object handled the message, S_FALSE when it did not.
    virtual HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;

protected:
    ~IOleInPlaceObjectWindowless() = default;
};

// The object while it is active in place: the container's frame offers it keystrokes first, and
// tells it when the frame's top-level window is activated or deactivated.
struct IOleInPlaceActiveObject : IOleWindow {
    // S_OK when the object took the message as an accelerator of its own, S_FALSE when the
    // container is to dispatch it as usual.
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) = 0;

protected:
    ~IOleInPlaceActiveObject() = default;
};

// A window of the container that an object active in place (in the user interface) makes its own:
// the document window, and the frame, which offers the active object keystrokes and tells it of its
// own activation. A null active object ends the object's hold.
struct IOleInPlaceUIWindow : IOleWindow {
    virtual HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR name) = 0;

protected:
    ~IOleInPlaceUIWindow() = default;
};

struct IOleInPlaceFrame : IOleInPlaceUIWindow {
protected:
    ~IOleInPlaceFrame() = default;
};

struct HACCEL__;
typedef HACCEL__* HACCEL;

// What the container tells of its frame; cb is set by the object before it asks.
typedef struct tagOIFI {
    UINT cb;
    BOOL fMDIApp;
    HWND hwndFrame;
    HACCEL haccel;
    UINT cAccelEntries;
} OLEINPLACEFRAMEINFO;
typedef OLEINPLACEFRAMEINFO* LPOLEINPLACEFRAMEINFO;

// The container's side; GetWindow answers the window the object is placed in.
struct IOleInPlaceSite : IOleWindow {
    // S_OK when the object may activate in place.
    virtual HRESULT STDMETHODCALLTYPE CanInPlaceActivate() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnInPlaceActivate() = 0;
    // The object becomes active in the container's user interface (it takes the focus and its
    // keystrokes), and stops being so.
    virtual HRESULT STDMETHODCALLTYPE OnUIActivate() = 0;
    // The container's frame and document window (each with a reference for the caller, the
    // document window null when the frame serves as one), the object's rectangle and clip
    // rectangle in the site's window, and the frame's description.
    virtual HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                       LPRECT position, LPRECT clip,
                                                       LPOLEINPLACEFRAMEINFO frameInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) = 0;

protected:
    ~IOleInPlaceSite() = default;
};

// A site that can hold an object without a window of its own: it draws it, and routes focus,
// capture and repaint requests for it.
struct IOleInPlaceSiteWindowless : IOleInPlaceSite {
    // S_OK when the object may activate without a window.
    virtual HRESULT STDMETHODCALLTYPE CanWindowlessActivate() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCapture(BOOL capture) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFocus(BOOL focus) = 0;
    // A null rectangle: the whole object.
    virtual HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT rectangle, BOOL erase) = 0;

protected:
    ~IOleInPlaceSiteWindowless() = default;
};

// How script-created objects are given their site (instead of a client site).
struct IObjectWithSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** site) = 0;

protected:
    ~IObjectWithSite() = default;
};

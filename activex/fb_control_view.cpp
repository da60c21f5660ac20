// What the control answers as a view object, an OLE control and a quickly activated object: its
// extent in HIMETRIC (the one the container gives, the natural one it was made with), its view
// status, hit tests for a windowless control, frozen events, keystrokes, and quick activation.
#include "activex/fb_control.h"

#include <algorithm>

namespace FB::ActiveX {

namespace {

constexpr DWORD kViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;

bool contains(const RECT& bounds, LONG x, LONG y) {
    return x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom;
}

bool overlaps(const RECT& first, const RECT& second) {
    return std::max(first.left, second.left) < std::min(first.right, second.right) &&
           std::max(first.top, second.top) < std::min(first.bottom, second.bottom);
}

}  // namespace

HRESULT CFBControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    m_extent = *size;
    return S_OK;
}

HRESULT CFBControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = m_extent;
    return S_OK;
}

HRESULT CFBControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

HRESULT CFBControl::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO* extentInfo,
                                     LPSIZEL size) {
    if (!extentInfo || !size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (extentInfo->dwExtentMode != DVEXTENT_CONTENT) return E_NOTIMPL;
    *size = m_naturalSize;
    return S_OK;
}

HRESULT CFBControl::GetViewStatus(DWORD* status) {
    if (!status) return E_POINTER;
    *status = kViewStatus;
    return S_OK;
}

HRESULT CFBControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* hitResult) {
    if (!bounds || !hitResult) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *hitResult = contains(*bounds, location.x, location.y) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

// Any part of the location rectangle on the control is a hit.
HRESULT CFBControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* hitResult) {
    if (!bounds || !location || !hitResult) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *hitResult = overlaps(*bounds, *location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

HRESULT CFBControl::FreezeEvents(BOOL freeze) {
    if (freeze)
        ++m_freezeEvents;
    else if (m_freezeEvents > 0)
        --m_freezeEvents;
    return S_OK;
}

HRESULT CFBControl::TranslateAccelerator(LPMSG message) { return message ? S_FALSE : E_POINTER; }

// The sink is advised on the control's own event source. A container activates quickly before it
// loads the control's properties, when the control shows no scripting object yet: the sink then
// waits under its cookie and is connected once the control is ready. A sink the control cannot
// take is left without a cookie, as the container's other set-up does not depend on it.
HRESULT CFBControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control) return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL)) return E_INVALIDARG;
    const HRESULT sited = SetClientSite(container->pClientSite);
    if (FAILED(sited)) return sited;
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    if (container->pUnkEventSink &&
        adviseSinkWhenReady(container->pUnkEventSink, &control->dwEventCookie, m_connections) < 0)
        control->dwEventCookie = 0;
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    GetViewStatus(&control->dwViewStatus);
    control->dwPointerActivationPolicy = 0;
    return S_OK;
}

HRESULT CFBControl::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }

HRESULT CFBControl::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

}  // namespace FB::ActiveX

#include "platform/ddraw/com_object.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/direct_draw_clipper.h"
#include "platform/ddraw/direct_draw_surface.h"

extern "C" const IID IID_IDirectDraw7 = {0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

namespace platform::detail {

namespace {

using platform::testing::DirectDrawCall;

// The DirectDraw object of the one display. It only serves windowed applications.
class DirectDraw final : public ComObject<IDirectDraw7, &IID_IDirectDraw7> {
public:
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override {
        if (!clipper) return DDERR_INVALIDPARAMS;
        *clipper = nullptr;
        if (directDrawCallFails(DirectDrawCall::CreateClipper)) return DDERR_GENERIC;
        if (flags != 0 || outer) return DDERR_INVALIDPARAMS;
        *clipper = new DirectDrawClipper;
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE7* surface,
                                            IUnknown* outer) override {
        if (!surface) return DDERR_INVALIDPARAMS;
        *surface = nullptr;
        if (!description || description->dwSize != sizeof(DDSURFACEDESC2) || outer) return DDERR_INVALIDPARAMS;
        return DirectDrawSurface::Create(this, *description, surface);
    }

    // Only windowed (normal) cooperation is served; nothing else depends on the window.
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD flags) override {
        if (directDrawCallFails(DirectDrawCall::SetCooperativeLevel)) return DDERR_GENERIC;
        return (flags & DDSCL_NORMAL) ? DD_OK : DDERR_INVALIDPARAMS;
    }
};

}  // namespace

}  // namespace platform::detail

HRESULT WINAPI DirectDrawCreateEx(GUID* driver, LPVOID* directDraw, REFIID iid, IUnknown* outer) {
    if (!directDraw) return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (platform::detail::directDrawCallFails(platform::testing::DirectDrawCall::Create)) return DDERR_GENERIC;
    if (driver || iid != IID_IDirectDraw7 || outer) return DDERR_INVALIDPARAMS;
    *directDraw = static_cast<IDirectDraw7*>(new platform::detail::DirectDraw);
    return DD_OK;
}

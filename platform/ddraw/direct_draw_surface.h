// A DirectDraw surface: the primary surface, which stands for the screen, or an off-screen surface
// with memory of its own. Internal to the platform library.
#pragma once

#include "platform/ddraw/com_object.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/surface_blit.h"
#include "platform/window/window_system.h"

#include <mutex>
#include <vector>

namespace platform::detail {

class DirectDrawSurface final : public ComObject<IDirectDrawSurface7> {
public:
    // Makes the surface the description asks for; the surface keeps its DirectDraw object alive.
    static HRESULT Create(IDirectDraw7* owner, const DDSURFACEDESC2& description, LPDIRECTDRAWSURFACE7* surface);

    HRESULT STDMETHODCALLTYPE Blt(LPRECT destination, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                                  LPDDBLTFX effects) override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 description, DWORD flags, HANDLE event) override;
    HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) override;

private:
    DirectDrawSurface(IDirectDraw7* owner, SurfaceFormat format, int width, int height, int pitch);
    ~DirectDrawSurface() override;

    bool lost() const;
    HWND clipperWindow();
    HRESULT drawOnto(HWND window, const RECT& destination, const RECT& sourceRect);
    HRESULT drawInto(Surface& pixels, POINT origin, const RECT& destination, const RECT& sourceRect, bool* drew);
    BlitKey keyOf(const BlitTarget& target, const RECT& sourceRect) const;

    IDirectDraw7* const owner_;
    const SurfaceFormat format_;
    const int width_;
    const int height_;
    const int pitch_;
    const unsigned generation_;  // the display generation it was made in
    const uint64_t id_;          // names the surface in what windows remember of their last blit
    std::mutex lock_;
    std::vector<uint8_t> memory_;            // off-screen surfaces only
    bool locked_ = false;                    // lock_
    IDirectDrawClipper* clipper_ = nullptr;  // lock_; holds a reference
    Yv12Scaler scaler_;  // lock_
};

}  // namespace platform::detail

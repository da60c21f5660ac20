#include "platform/ddraw/direct_draw_surface.h"

#include "platform/ddraw/direct_draw_clipper.h"
#include "platform/window/device_context.h"
#include "platform/window/surface_drawing.h"
#include "platform/window/win_window.h"

#include <algorithm>
#include <atomic>

namespace platform::detail {

namespace {

using platform::testing::DirectDrawCall;

// Sizes come from stream headers; every surface is bounded before its memory is made.
constexpr DWORD kMaxSurfaceSide = 8192;
constexpr DWORD kYv12FourCC = MAKEFOURCC('Y', 'V', '1', '2');
constexpr DWORD kSizeFlags = DDSD_WIDTH | DDSD_HEIGHT;

// Rows start on 32-byte boundaries and always leave some bytes unused at their end, as display
// memory does; callers must step by the pitch, never by the width.
int pitchFor(SurfaceFormat format, int width) {
    int rowBytes = format == SurfaceFormat::Rgb32 ? width * 4 : width;
    return (rowBytes + 31) / 32 * 32 + 32;
}

size_t memorySize(SurfaceFormat format, int pitch, int height) {
    size_t plane = static_cast<size_t>(pitch) * height;
    return format == SurfaceFormat::Yv12 ? plane + plane / 2 : format == SurfaceFormat::Rgb32 ? plane : 0;
}

// The off-screen format a description asks for: YV12 by FourCC, the display's format by default.
HRESULT offscreenFormat(const DDSURFACEDESC2& description, SurfaceFormat* format) {
    if (!(description.dwFlags & DDSD_PIXELFORMAT)) {
        *format = SurfaceFormat::Rgb32;
        return DD_OK;
    }
    const DDPIXELFORMAT& pixels = description.ddpfPixelFormat;
    if (pixels.dwSize != sizeof(DDPIXELFORMAT) || !(pixels.dwFlags & DDPF_FOURCC) || pixels.dwFourCC != kYv12FourCC) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    // Chroma is sampled by 2 x 2 blocks: a YV12 surface has whole blocks only.
    if (description.dwWidth % 2 != 0 || description.dwHeight % 2 != 0) return DDERR_INVALIDPARAMS;
    *format = SurfaceFormat::Yv12;
    return DD_OK;
}

void describeFormat(SurfaceFormat format, DDPIXELFORMAT* pixels) {
    *pixels = DDPIXELFORMAT{};
    pixels->dwSize = sizeof(DDPIXELFORMAT);
    if (format == SurfaceFormat::Yv12) {
        pixels->dwFlags = DDPF_FOURCC | DDPF_YUV;
        pixels->dwFourCC = kYv12FourCC;
        pixels->dwYUVBitCount = 12;
    } else {
        pixels->dwFlags = DDPF_RGB;
        pixels->dwRGBBitCount = 32;
        pixels->dwRBitMask = 0x00FF0000u;
        pixels->dwGBitMask = 0x0000FF00u;
        pixels->dwBBitMask = 0x000000FFu;
    }
}

uint64_t newSurfaceId() {
    static std::atomic<uint64_t> next{1};
    return next++;
}

bool validRect(const RECT& rect) { return rect.right > rect.left && rect.bottom > rect.top; }

bool inside(const RECT& rect, int width, int height) {
    return validRect(rect) && rect.left >= 0 && rect.top >= 0 && rect.right <= width && rect.bottom <= height;
}

}  // namespace

HRESULT DirectDrawSurface::Create(IDirectDraw7* owner, const DDSURFACEDESC2& description,
                                  LPDIRECTDRAWSURFACE7* surface) {
    DWORD caps = (description.dwFlags & DDSD_CAPS) ? description.ddsCaps.dwCaps : 0;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (directDrawCallFails(DirectDrawCall::CreatePrimarySurface)) return DDERR_GENERIC;
        if (description.dwFlags & (kSizeFlags | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
        *surface = new DirectDrawSurface(owner, SurfaceFormat::Primary, GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN), 0);
        return DD_OK;
    }
    if (!(caps & DDSCAPS_OFFSCREENPLAIN)) return DDERR_INVALIDPARAMS;
    if (directDrawCallFails(DirectDrawCall::CreateOffscreenSurface)) return DDERR_GENERIC;
    if ((description.dwFlags & kSizeFlags) != kSizeFlags || description.dwWidth < 1 || description.dwHeight < 1) {
        return DDERR_INVALIDPARAMS;
    }
    if (description.dwWidth > kMaxSurfaceSide || description.dwHeight > kMaxSurfaceSide) return DDERR_OUTOFMEMORY;
    SurfaceFormat format;
    if (HRESULT result = offscreenFormat(description, &format); FAILED(result)) return result;
    int width = static_cast<int>(description.dwWidth);
    *surface =
        new DirectDrawSurface(owner, format, width, static_cast<int>(description.dwHeight), pitchFor(format, width));
    return DD_OK;
}

DirectDrawSurface::DirectDrawSurface(IDirectDraw7* owner, SurfaceFormat format, int width, int height, int pitch)
    : owner_(owner),
      format_(format),
      width_(width),
      height_(height),
      pitch_(pitch),
      generation_(displayGeneration()),
      id_(newSurfaceId()),
      memory_(memorySize(format, pitch, height)) {
    owner_->AddRef();
}

DirectDrawSurface::~DirectDrawSurface() {
    if (clipper_) clipper_->Release();
    owner_->Release();
}

bool DirectDrawSurface::lost() const { return generation_ != displayGeneration(); }

HRESULT STDMETHODCALLTYPE DirectDrawSurface::Lock(LPRECT rect, LPDDSURFACEDESC2 description, DWORD, HANDLE) {
    if (directDrawCallFails(DirectDrawCall::Lock)) return DDERR_GENERIC;
    // Only whole off-screen surfaces are locked here; the screen has no memory to hand out.
    if (rect || !description || description->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    if (format_ == SurfaceFormat::Primary) return DDERR_UNSUPPORTED;
    if (lost()) return DDERR_SURFACELOST;
    if (takeStillDrawingLock()) return DDERR_WASSTILLDRAWING;
    std::lock_guard<std::mutex> guard(lock_);
    if (locked_) return DDERR_SURFACEBUSY;
    locked_ = true;
    DWORD size = description->dwSize;
    *description = DDSURFACEDESC2{};
    description->dwSize = size;
    description->dwFlags = DDSD_CAPS | kSizeFlags | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_LPSURFACE;
    description->dwWidth = static_cast<DWORD>(width_);
    description->dwHeight = static_cast<DWORD>(height_);
    description->lPitch = pitch_;
    description->lpSurface = memory_.data();
    describeFormat(format_, &description->ddpfPixelFormat);
    description->ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    return DD_OK;
}

HRESULT STDMETHODCALLTYPE DirectDrawSurface::Unlock(LPRECT) {
    if (directDrawCallFails(DirectDrawCall::Unlock)) return DDERR_GENERIC;
    std::lock_guard<std::mutex> guard(lock_);
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    return DD_OK;
}

HRESULT STDMETHODCALLTYPE DirectDrawSurface::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
    if (directDrawCallFails(DirectDrawCall::SurfaceSetClipper)) return DDERR_GENERIC;
    if (clipper && !dynamic_cast<DirectDrawClipper*>(clipper)) return DDERR_INVALIDPARAMS;
    if (clipper) clipper->AddRef();
    IDirectDrawClipper* previous = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        previous = clipper_;
        clipper_ = clipper;
    }
    if (previous) previous->Release();
    return DD_OK;
}

HWND DirectDrawSurface::clipperWindow() {
    std::lock_guard<std::mutex> guard(lock_);
    return clipper_ ? static_cast<DirectDrawClipper*>(clipper_)->window() : nullptr;
}

HRESULT STDMETHODCALLTYPE DirectDrawSurface::Blt(LPRECT destination, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect,
                                                 DWORD flags, LPDDBLTFX effects) {
    if (directDrawCallFails(DirectDrawCall::Blt)) return DDERR_GENERIC;
    auto from = dynamic_cast<DirectDrawSurface*>(source);
    if (!from) return DDERR_INVALIDPARAMS;
    if (format_ != SurfaceFormat::Primary || from->format_ == SurfaceFormat::Primary || effects ||
        (flags & ~DDBLT_WAIT)) {
        return DDERR_UNSUPPORTED;
    }
    if (lost() || from->lost()) return DDERR_SURFACELOST;
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT target = destination ? *destination : screen;
    RECT picked = sourceRect ? *sourceRect : RECT{0, 0, from->width_, from->height_};
    if (!validRect(target) || !inside(picked, from->width_, from->height_)) return DDERR_INVALIDRECT;
    // Without a clipper the picture goes to the screen, which no one sees here.
    HWND window = clipperWindow();
    return window ? from->drawOnto(window, target, picked) : DD_OK;
}

// Every coordinate that decides which pixels a blit writes, and the content of what it shows: a
// picture written again with the same bytes draws nothing new.
BlitKey DirectDrawSurface::keyOf(const BlitTarget& target, const RECT& sourceRect) const {
    return BlitKey{id_,
                   hashShown(SurfaceMemory{format_, memory_.data(), width_, height_, pitch_}, target),
                   {target.columns.destinationStart, target.columns.destinationExtent, target.rows.destinationStart,
                    target.rows.destinationExtent, sourceRect.left, sourceRect.top, sourceRect.right,
                    sourceRect.bottom, target.firstX, target.endX, target.firstY, target.endY}};
}

// Stretches the source rectangle of this off-screen surface onto the screen rectangle
// `destination`, of which only what lies on the window's client area and on the screen shows.
HRESULT DirectDrawSurface::drawOnto(HWND window, const RECT& destination, const RECT& sourceRect) {
    POINT origin{};
    std::shared_ptr<Surface> pixels = windowSurfaceOnScreen(window, &origin);
    if (!pixels) return DD_OK;  // a window that is gone has nothing left to clip to
    SurfaceChangeNotice notice(*pixels);  // heard once the locks drawing takes are released
    bool drew = false;
    const HRESULT result = drawInto(*pixels, origin, destination, sourceRect, &drew);
    if (!drew) notice.withdraw();
    return result;
}

// A blit that would draw what the window's pixels already hold draws nothing.
HRESULT DirectDrawSurface::drawInto(Surface& pixels, POINT origin, const RECT& destination, const RECT& sourceRect,
                                    bool* drew) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    std::lock_guard<std::mutex> guard(lock_);
    if (locked_) return DDERR_SURFACEBUSY;
    std::lock_guard<std::mutex> pixelsGuard(pixels.lock);
    BlitTarget target{pixels.pixels.data(),
                      pixels.width,
                      StretchAxis{int64_t{destination.left} - origin.x, int64_t{destination.right} - destination.left,
                                  sourceRect.left, sourceRect.right - sourceRect.left},
                      StretchAxis{int64_t{destination.top} - origin.y, int64_t{destination.bottom} - destination.top,
                                  sourceRect.top, sourceRect.bottom - sourceRect.top},
                      0,
                      0,
                      0,
                      0};
    target.firstX = std::max(target.columns.firstVisible(pixels.width), -origin.x);
    target.endX = std::min(target.columns.endVisible(pixels.width), screenWidth - origin.x);
    target.firstY = std::max(target.rows.firstVisible(pixels.height), -origin.y);
    target.endY = std::min(target.rows.endVisible(pixels.height), screenHeight - origin.y);
    if (target.firstX >= target.endX || target.firstY >= target.endY) return DD_OK;
    const BlitKey key = keyOf(target, sourceRect);
    if (pixels.holdsBlitLocked(key)) return DD_OK;
    if (!blitToPixels(SurfaceMemory{format_, memory_.data(), width_, height_, pitch_}, target, scaler_)) {
        return DDERR_OUTOFMEMORY;
    }
    pixels.drewLocked(key);
    *drew = true;
    return DD_OK;
}

}  // namespace platform::detail

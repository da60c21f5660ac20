#include "app/render/video_render_ddraw.h"

#include "platform/window/win_window.h"

#include <cstring>

namespace {

constexpr DWORD kYv12FourCC = MAKEFOURCC('Y', 'V', '1', '2');

void CopyPlane(unsigned char* to, size_t toPitch, const unsigned char* from, size_t rowBytes, int rows) {
    for (int row = 0; row < rows; ++row) {
        std::memcpy(to + static_cast<size_t>(row) * toPitch, from + static_cast<size_t>(row) * rowBytes, rowBytes);
    }
}

// The display converts a YV12 surface as studio range; full-range samples are mapped into it, Y
// 0..255 onto 16..235 and chroma 0..255 onto 16..240 around 128, rounded to the nearest.
struct StudioRangeMapping {
    unsigned char luma[256];
    unsigned char chroma[256];

    StudioRangeMapping() {
        for (int i = 0; i < 256; ++i) {
            luma[i] = static_cast<unsigned char>(16 + (i * 219 + 127) / 255);
            const int centred = (i - 128) * 224;
            chroma[i] = static_cast<unsigned char>(128 + (centred + (centred < 0 ? -127 : 127)) / 255);
        }
    }
};

const StudioRangeMapping& studioRange() {
    static const StudioRangeMapping mapping;
    return mapping;
}

void MapPlane(unsigned char* to, size_t toPitch, const unsigned char* from, size_t rowBytes, int rows,
              const unsigned char (&map)[256]) {
    for (int row = 0; row < rows; ++row) {
        unsigned char* out = to + static_cast<size_t>(row) * toPitch;
        const unsigned char* in = from + static_cast<size_t>(row) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i) out[i] = map[in[i]];
    }
}

bool IsI420(int format) { return format == kRenderFormatI420 || format == kRenderFormatI420FullRange; }

}  // namespace

int VideoRenderDDraw::Init(HWND window, int width, int height, int format) {
    std::lock_guard<std::mutex> guard(lock_);
    return InitLocked(window, width, height, format);
}

int VideoRenderDDraw::InitLocked(HWND window, int width, int height, int format) {
    ReleaseLocked();
    if (!window) return -1;
    window_ = window;
    width_ = width;
    height_ = height;
    format_ = format;
    int result = CreateObjects();
    // Render looks only for the DirectDraw object: a half-made set must not stay behind it.
    if (result != 0) ReleaseLocked();
    return result;
}

int VideoRenderDDraw::CreateObjects() {
    if (FAILED(
            DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(directDraw_.receive()), IID_IDirectDraw7, nullptr))) {
        return -2;
    }
    if (FAILED(directDraw_->SetCooperativeLevel(window_, DDSCL_NORMAL | DDSCL_NOWINDOWCHANGES))) return -3;
    description_ = DDSURFACEDESC2{};
    description_.dwSize = sizeof(description_);
    description_.dwFlags = DDSD_CAPS;
    description_.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(directDraw_->CreateSurface(&description_, primary_.receive(), nullptr))) return -4;
    // The primary surface keeps a reference of its own; this one goes at the end of the scope.
    ComRef<IDirectDrawClipper> clipper;
    if (FAILED(directDraw_->CreateClipper(0, clipper.receive(), nullptr))) return -5;
    if (FAILED(clipper->SetHWnd(0, window_))) return -6;
    if (FAILED(primary_->SetClipper(clipper.get()))) return -7;
    return CreateOffscreenSurface() ? 0 : -8;
}

bool VideoRenderDDraw::CreateOffscreenSurface() {
    if (format_ != kRenderFormatI420 && format_ != kFormatDisplay) return false;
    description_ = DDSURFACEDESC2{};
    description_.dwSize = sizeof(description_);
    description_.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    description_.dwWidth = static_cast<DWORD>(width_);
    description_.dwHeight = static_cast<DWORD>(height_);
    description_.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    if (format_ == kRenderFormatI420) {
        description_.dwFlags |= DDSD_PIXELFORMAT;
        description_.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        description_.ddpfPixelFormat.dwFlags = DDPF_FOURCC | DDPF_YUV;
        description_.ddpfPixelFormat.dwFourCC = kYv12FourCC;
        description_.ddpfPixelFormat.dwYUVBitCount = 8;
    }
    return SUCCEEDED(directDraw_->CreateSurface(&description_, offscreen_.receive(), nullptr));
}

bool VideoRenderDDraw::Accepts(int format) const {
    return format == format_ || (format_ == kRenderFormatI420 && format == kRenderFormatI420FullRange);
}

int VideoRenderDDraw::Render(const unsigned char* data, int length, int format, const RECT* source) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!directDraw_ || !data || !Accepts(format)) return 0;
    // Unsigned, as a negative length must not pass for a large one.
    if (IsI420(format) &&
        static_cast<unsigned>(length) != static_cast<unsigned>(width_) * static_cast<unsigned>(height_) * 3 / 2) {
        return 0;
    }
    HRESULT locked = LockOffscreen();
    if (locked == DDERR_SURFACELOST) {
        // The display changed under the surfaces: make everything again and show the next picture.
        Close();
        InitLocked(window_, width_, height_, format_);
        return 0;
    }
    if (FAILED(locked)) return 0;
    bool copied = CopyIntoSurface(data, length, format);
    offscreen_->Unlock(nullptr);
    RECT screen{};
    if (!copied || !GetWindowRect(window_, &screen)) return 0;
    RECT picked = source ? *source : RECT{};
    // The result is not examined: the clipper may leave nothing of the window to draw into.
    primary_->Blt(&screen, offscreen_.get(), source ? &picked : nullptr, DDBLT_WAIT, nullptr);
    return 1;
}

HRESULT VideoRenderDDraw::LockOffscreen() {
    HRESULT result;
    do {
        result = offscreen_->Lock(nullptr, &description_, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    } while (result == DDERR_WASSTILLDRAWING);
    return result;
}

// YV12 keeps its planes in the order Y, V, U, each chroma plane at half the luma pitch.
bool VideoRenderDDraw::CopyIntoSurface(const unsigned char* data, int length, int format) {
    auto surface = static_cast<unsigned char*>(description_.lpSurface);
    if (!surface || description_.lPitch <= 0) return false;
    size_t pitch = static_cast<size_t>(description_.lPitch);
    if (format == kFormatDisplay) {
        if (length < 0 || static_cast<size_t>(length) > pitch * description_.dwHeight) return false;
        std::memcpy(surface, data, static_cast<size_t>(length));
        return true;
    }
    size_t width = static_cast<size_t>(width_);
    size_t lumaBytes = width * static_cast<size_t>(height_);
    if (pitch < width) return false;
    unsigned char* vPlane = surface + pitch * height_;
    unsigned char* uPlane = vPlane + pitch / 2 * (height_ / 2);
    const unsigned char* vInput = data + lumaBytes + lumaBytes / 4;
    const unsigned char* uInput = data + lumaBytes;
    if (format == kRenderFormatI420FullRange) {
        const StudioRangeMapping& studio = studioRange();
        MapPlane(surface, pitch, data, width, height_, studio.luma);
        MapPlane(vPlane, pitch / 2, vInput, width / 2, height_ / 2, studio.chroma);
        MapPlane(uPlane, pitch / 2, uInput, width / 2, height_ / 2, studio.chroma);
        return true;
    }
    CopyPlane(surface, pitch, data, width, height_);
    CopyPlane(vPlane, pitch / 2, vInput, width / 2, height_ / 2);
    CopyPlane(uPlane, pitch / 2, uInput, width / 2, height_ / 2);
    return true;
}

int VideoRenderDDraw::Close() { return 1; }

int VideoRenderDDraw::Release() {
    std::lock_guard<std::mutex> guard(lock_);
    ReleaseLocked();
    return 1;
}

void VideoRenderDDraw::ReleaseLocked() {
    offscreen_.reset();
    primary_.reset();
    directDraw_.reset();
}

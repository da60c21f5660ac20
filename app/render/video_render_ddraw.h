// Shows pictures through DirectDraw 7: each picture is copied into an off-screen YV12 surface,
// which one Blt onto the primary surface scales to the window's rectangle and converts to the
// display's pixels; a clipper bound to the window keeps the copy inside it.
#pragma once

#include "app/render/com_ref.h"
#include "app/render/video_render_base.h"
#include "platform/ddraw/ddraw.h"

#include <mutex>

class VideoRenderDDraw : public VideoRenderBase {
public:
    // Format 1 (besides the views' I420): an off-screen surface in the display's own pixel format,
    // filled with a straight copy of the picture's bytes.
    static constexpr int kFormatDisplay = 1;

    VideoRenderDDraw() = default;

    // 0, or the step that failed: -1 no window, -2 no DirectDraw object, -3 cooperative level
    // refused, -4 no primary surface, -5 no clipper, -6 clipper refused the window, -7 primary
    // surface refused the clipper, -8 no off-screen surface. A failure leaves nothing made.
    int Init(HWND window, int width, int height, int format) override;
    // 0 without a DirectDraw object, for a picture of another length or format than the surface's,
    // and for the picture during which the surfaces were found lost (they are made again, so the
    // next picture shows). Full-range I420 goes into the I420 surface too, its samples mapped into
    // the studio range the display reads a YV12 surface in.
    int Render(const unsigned char* data, int length, int format, const RECT* source) override;
    int Close() override;
    int Release() override;

private:
    int InitLocked(HWND window, int width, int height, int format);
    int CreateObjects();
    bool CreateOffscreenSurface();
    void ReleaseLocked();
    HRESULT LockOffscreen();
    bool Accepts(int format) const;
    bool CopyIntoSurface(const unsigned char* data, int length, int format);

    // The main thread's black paint and the render thread's pictures both come through here.
    std::mutex lock_;
    // Declared in the order they are made, so that they go in the reverse order.
    ComRef<IDirectDraw7> directDraw_;
    ComRef<IDirectDrawSurface7> primary_;
    ComRef<IDirectDrawSurface7> offscreen_;
    HWND window_ = nullptr;
    DDSURFACEDESC2 description_{};  // describes the surfaces at creation; filled by every Lock
    int width_ = 0;
    int height_ = 0;
    int format_ = 0;
};

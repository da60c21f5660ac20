// A renderer puts one decoded I420 picture onto a window, stretched to the window's rectangle,
// optionally showing only a sub-rectangle of the picture. A view owns two (its plug-in window and
// its full-screen window); its render thread is the only caller of Render.
#pragma once

#include "app/render/sample_range.h"
#include "platform/base/win_user_types.h"

// The picture formats the views pass: planar I420, W x H luma, then the U plane from W x H and the
// V plane from W x H x 5 / 4, each (H/2) rows of W/2 samples; with studio-range samples (the format
// Init takes) or with full-range samples.
constexpr int kRenderFormatI420 = 0;
constexpr int kRenderFormatI420FullRange = 2;

constexpr int RenderFormatFor(SampleRange range) {
    return range == SampleRange::Full ? kRenderFormatI420FullRange : kRenderFormatI420;
}

class VideoRenderBase {
public:
    virtual ~VideoRenderBase() = default;
    // 0 on success, negative on failure.
    virtual int Init(HWND window, int width, int height, int format) = 0;
    // 1 when the picture was put on the window, 0 otherwise. A null source shows the whole picture.
    virtual int Render(const unsigned char* data, int length, int format, const RECT* source) = 0;
    virtual int Close() = 0;
    // Frees the renderer's platform objects; 1.
    virtual int Release() = 0;
};

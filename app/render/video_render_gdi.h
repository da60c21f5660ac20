// Shows pictures through GDI: each picture is converted to 24-bit BGR in software and stretched
// onto the window with StretchDIBits. The fallback when DirectDraw cannot be set up.
#pragma once

#include "app/render/video_render_base.h"
#include "platform/window/win_gdi.h"

#include <mutex>
#include <vector>

class VideoRenderGDI : public VideoRenderBase {
public:
    VideoRenderGDI() = default;

    // Keeps the window (it may be null: nothing is then drawn) and makes the pixel buffer for
    // pictures of this size; the format is not looked at. 0, or -1 for a size below 1 or above
    // 8192 on a side.
    int Init(HWND window, int width, int height, int format) override;
    // 1 when the picture was drawn; 0 without a window or pixel buffer, or for a picture whose
    // length is not that of the size given to Init. The format says the samples' range: full range
    // for kRenderFormatI420FullRange, studio range for any other. The source rectangle is in
    // picture coordinates, top-down.
    int Render(const unsigned char* data, int length, int format, const RECT* source) override;
    int Close() override;
    int Release() override;

    // The picture as bottom-up rows of 3 x width bytes, no padding. False for a size below 1 or a
    // null pointer.
    static bool ConvertI420ToBgr(const unsigned char* source, unsigned char* destination, int width, int height,
                                 SampleRange range);

private:
    size_t RowBytes() const;

    // The main thread's black paint and the render thread's pictures both come through here.
    std::mutex lock_;
    HWND window_ = nullptr;
    // Bottom-up BGR rows, each padded to four bytes as bitmap rows are; made by Init only.
    std::vector<unsigned char> pixels_;
    BITMAPINFO bitmapInfo_{};
    int width_ = 0;
    int height_ = 0;
};

#include "app/render/video_render_gdi.h"

#include "app/render/i420_to_bgr.h"
#include "platform/window/win_window.h"

namespace {

// Pictures come from stream headers: the buffer is bounded before it is made.
constexpr int kMaxPictureSide = 8192;

SampleRange RangeOf(int format) {
    return format == kRenderFormatI420FullRange ? SampleRange::Full : SampleRange::Studio;
}

}  // namespace

size_t VideoRenderGDI::RowBytes() const { return (static_cast<size_t>(width_) * 3 + 3) & ~static_cast<size_t>(3); }

int VideoRenderGDI::Init(HWND window, int width, int height, int) {
    std::lock_guard<std::mutex> guard(lock_);
    pixels_.clear();
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return -1;
    window_ = window;
    width_ = width;
    height_ = height;
    pixels_.assign(RowBytes() * static_cast<size_t>(height), 0);
    bitmapInfo_ = BITMAPINFO{};
    BITMAPINFOHEADER& header = bitmapInfo_.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    return 0;
}

int VideoRenderGDI::Render(const unsigned char* data, int length, int format, const RECT* source) {
    std::lock_guard<std::mutex> guard(lock_);
    if (pixels_.empty() || !window_) return 0;
    if (static_cast<unsigned>(length) != static_cast<unsigned>(width_) * static_cast<unsigned>(height_) * 3 / 2) {
        return 0;
    }
    RECT windowRect{};
    if (!GetWindowRect(window_, &windowRect) ||
        !ConvertI420ToBgrRows(data, pixels_.data(), width_, height_, RowBytes(), RangeOf(format))) {
        return 0;
    }
    HDC deviceContext = GetDC(window_);
    if (!deviceContext) return 0;
    SetStretchBltMode(deviceContext, COLORONCOLOR);
    // The bitmap is bottom-up, so its source rows count from the bottom: the rectangle is flipped
    // to show the same part of the picture as the DirectDraw renderer does.
    int sourceX = 0;
    int sourceY = 0;
    int sourceWidth = width_;
    int sourceHeight = height_;
    if (source) {
        sourceX = source->left;
        sourceY = height_ - source->bottom;
        sourceWidth = source->right - source->left;
        sourceHeight = source->bottom - source->top;
    }
    StretchDIBits(deviceContext, 0, 0, windowRect.right - windowRect.left, windowRect.bottom - windowRect.top, sourceX,
                  sourceY, sourceWidth, sourceHeight, pixels_.data(), &bitmapInfo_, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(window_, deviceContext);
    return 1;
}

int VideoRenderGDI::Close() { return 1; }

int VideoRenderGDI::Release() { return 1; }

bool VideoRenderGDI::ConvertI420ToBgr(const unsigned char* source, unsigned char* destination, int width, int height,
                                      SampleRange range) {
    return width >= 1 &&
           ConvertI420ToBgrRows(source, destination, width, height, static_cast<size_t>(width) * 3, range);
}

// Stand-in renderers used until the DirectDraw and GDI renderers are in place: both paint the
// picture into the window as a coarse grid of solid blocks, each the colour of the picture at the
// block's centre, through the window system's brushes.
#include "app/render/video_renderers.h"

#include "platform/window/win_gdi.h"
#include "platform/window/win_window.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr int kColumns = 32;
constexpr int kRows = 24;

int ClampByte(int value) { return std::clamp(value, 0, 255); }

class BlockPaintRenderer : public VideoRenderBase {
public:
    explicit BlockPaintRenderer(bool needsWindow) : needsWindow_(needsWindow) {}

    int Init(HWND window, int width, int height, int) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (needsWindow_ && window == nullptr) return -1;
        window_ = window;
        width_ = width;
        height_ = height;
        return 0;
    }

    int Render(const unsigned char* data, int length, int, const RECT* source) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (data == nullptr || window_ == nullptr || width_ < 2 || height_ < 2 ||
            static_cast<long long>(length) != static_cast<long long>(width_) * height_ * 3 / 2) {
            return 0;
        }
        RECT client{};
        GetClientRect(window_, &client);
        const RECT whole{0, 0, width_, height_};
        const RECT from = source ? *source : whole;
        HDC dc = GetDC(window_);
        if (dc == nullptr) return 0;
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                RECT block{client.right * column / kColumns, client.bottom * row / kRows,
                           client.right * (column + 1) / kColumns, client.bottom * (row + 1) / kRows};
                const int x = from.left + (from.right - from.left) * (2 * column + 1) / (2 * kColumns);
                const int y = from.top + (from.bottom - from.top) * (2 * row + 1) / (2 * kRows);
                HBRUSH brush = CreateSolidBrush(ColourAt(data, x, y));
                FillRect(dc, &block, brush);
                DeleteObject(brush);
            }
        }
        ReleaseDC(window_, dc);
        return 1;
    }

    int Close() override { return 1; }
    int Release() override { return 1; }

private:
    COLORREF ColourAt(const unsigned char* data, int x, int y) const {
        x = std::clamp(x, 0, width_ - 1);
        y = std::clamp(y, 0, height_ - 1);
        const int luma = data[static_cast<size_t>(y) * width_ + x];
        const size_t chroma = static_cast<size_t>(y / 2) * (width_ / 2) + x / 2;
        const size_t lumaSize = static_cast<size_t>(width_) * height_;
        const int u = data[lumaSize + chroma] - 128;
        const int v = data[lumaSize + lumaSize / 4 + chroma] - 128;
        return RGB(ClampByte(luma + 359 * v / 256), ClampByte(luma - (88 * u + 183 * v) / 256),
                   ClampByte(luma + 454 * u / 256));
    }

    const bool needsWindow_;
    std::mutex lock_;
    HWND window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace

std::unique_ptr<VideoRenderBase> MakeDDrawRenderer() { return std::make_unique<BlockPaintRenderer>(true); }

std::unique_ptr<VideoRenderBase> MakeGdiRenderer() { return std::make_unique<BlockPaintRenderer>(false); }

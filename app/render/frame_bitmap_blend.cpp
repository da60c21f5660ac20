#include "app/render/frame_bitmap_blend.h"

#include "app/render/i420_picture.h"

#include <cstddef>

namespace {

constexpr int kTransparentSum = 511;  // near white

}  // namespace

void BlendBitmapIntoFrame(uint8_t* picture, int width, int height, int x, int y, const uint8_t* bitmap, int bitmapWidth,
                          int bitmapHeight, int stride) {
    I420Picture frame(picture, width, height);
    if (!frame.valid() || !bitmap || bitmapWidth <= 0 || bitmapHeight <= 0 || stride < int64_t{bitmapWidth} * 3) return;
    for (int row = 0; row < bitmapHeight; ++row) {
        const uint8_t* pixel = bitmap + static_cast<ptrdiff_t>(row) * stride;
        for (int column = 0; column < bitmapWidth; ++column, pixel += 3) {
            const int r = pixel[0], g = pixel[1], b = pixel[2];
            if (r + g + b >= kTransparentSum) continue;
            frame.blend(x + column, y + row, RgbToYuv(r, g, b));
        }
    }
}

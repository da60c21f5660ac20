#include "app/render/frame_line.h"

#include "app/render/i420_picture.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

bool within(float value, int limit) { return value >= 0.0f && value <= static_cast<float>(limit); }

// The brush covers offsets first..last around a point in both directions; being square, it is the
// same whether the line runs steep or flat. Only its part inside the picture is visited.
void paintBrush(I420Picture& picture, int cx, int cy, int first, int last, YuvColour colour) {
    const int xFrom = std::max(cx + first, 0);
    const int xTo = std::min(cx + last, picture.width() - 1);
    const int yFrom = std::max(cy + first, 0);
    const int yTo = std::min(cy + last, picture.height() - 1);
    for (int y = yFrom; y <= yTo; ++y) {
        for (int x = xFrom; x <= xTo; ++x) picture.put(x, y, colour);
    }
}

}  // namespace

void DrawLineIntoFrame(uint8_t* picture, int width, int height, float x0, float y0, float x1, float y1, int thickness,
                       const int32_t colour[3]) {
    if (!picture || !colour || width < 0 || height < 0) return;
    if (!within(x0, width) || !within(x1, width) || !within(y0, height) || !within(y1, height)) return;
    I420Picture frame(picture, width, height);
    const YuvColour yuv{static_cast<uint8_t>(colour[0]), static_cast<uint8_t>(colour[1]),
                        static_cast<uint8_t>(colour[2])};

    // Integer Bresenham along the major axis.
    int major0 = static_cast<int>(x0), minor0 = static_cast<int>(y0);
    int major1 = static_cast<int>(x1), minor1 = static_cast<int>(y1);
    const bool steep = std::abs(minor1 - minor0) > std::abs(major1 - major0);
    if (steep) {
        std::swap(major0, minor0);
        std::swap(major1, minor1);
    }
    if (major0 > major1) {
        std::swap(major0, major1);
        std::swap(minor0, minor1);
    }
    const int dx = major1 - major0;
    const int dy = std::abs(minor1 - minor0);
    const int step = minor0 < minor1 ? 1 : -1;
    // A brush wider than the picture covers all of it; bounding the thickness keeps the brush
    // offsets from overflowing. Below 0 the brush is empty either way.
    thickness = std::clamp(thickness, -1, std::max(width, height) + 1);
    const int first = 1 - thickness;
    const int last = std::max(thickness, 2) - 1;
    int error = dx / 2;
    int minor = minor0;
    for (int major = major0; major < major1; ++major) {
        if (steep) {
            paintBrush(frame, minor, major, first, last, yuv);
        } else {
            paintBrush(frame, major, minor, first, last, yuv);
        }
        error -= dy;
        if (error < 0) {
            minor += step;
            error += dx;
        }
    }
}

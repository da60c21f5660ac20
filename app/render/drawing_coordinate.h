// Places and sizes that reach the drawing code from outside the plug-in: shape points of the page's
// documents, positions and sizes the page sets, labels of the camera's status records. Any value
// may come, while a picture is at most a few thousand pixels a side, so each is held once, where it
// enters the drawing, to within kDrawingReach of the picture's origin. Nothing that far out is
// drawn whichever value it had, and every sum the drawing then makes (a marker's corners, a text's
// pen, its glyphs' offsets and shadow) stays far inside the int range.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

constexpr int32_t kDrawingReach = 1 << 24;

constexpr int32_t DrawingCoordinate(int32_t value) { return std::clamp(value, -kDrawingReach, kDrawingReach); }

// A place given in picture pixels as a real number, truncated toward zero; NaN is 0.
inline int32_t DrawingCoordinate(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(value, -double{kDrawingReach}, double{kDrawingReach}));
}
inline int32_t DrawingCoordinate(float value) { return DrawingCoordinate(static_cast<double>(value)); }

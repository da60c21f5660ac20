// A picture coordinate of a shape as a whole pixel. Shapes read from a document may hold any value
// a float can, so the conversion saturates instead of overflowing.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Truncated toward zero and held to the int range; NaN is 0.
inline int32_t PixelOf(float coordinate) {
    if (std::isnan(coordinate)) return 0;
    if (coordinate >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (coordinate <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(coordinate);
}

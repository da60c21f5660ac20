// Conversions that never overflow: values beyond the target's range become its nearest end and NaN
// becomes 0 for an int. Shape coordinates come from the page and from arithmetic on them, so any
// value may reach a conversion.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline int32_t SaturatingInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Toward zero to an int.
inline int32_t SaturatingInt(float value) { return SaturatingInt(static_cast<double>(value)); }

// A double narrowed to the nearest float; beyond the float range, the largest float of its sign.
inline float SaturatingFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (value > kLargest) return std::numeric_limits<float>::max();
    if (value < -kLargest) return -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

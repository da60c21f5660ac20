// Keeps a rectangle inside the picture with a margin: 2 pixels at the left, top and right and 10 at
// the bottom. A rectangle that starts beyond the picture is left as it is.
#pragma once

#include "app/analysis/target_boxes.h"

#include <algorithm>
#include <cstdint>

inline void ClampRect(TargetBox* box, int32_t frameWidth, int32_t frameHeight) {
    if (box->x > frameWidth || box->y > frameHeight) return;
    box->x = std::max(box->x, 2);
    box->y = std::max(box->y, 2);
    if (int64_t{box->x} + box->w > int64_t{frameWidth} - 2) box->w = frameWidth - 2 - box->x;
    if (int64_t{box->y} + box->h > int64_t{frameHeight} - 10) box->h = frameHeight - 10 - box->y;
}

// Where a window point falls on the picture, for the shapes: scaled by the view's factors and held
// inside the picture, so that no shape ever gets a point outside it.
#pragma once

#include "app/player/shape_point.h"
#include "app/player/video_player.h"

#include <algorithm>

inline ShapePoint WindowToPicture(const CVideoPlayer& view, int x, int y) {
    float sx = 0.0f;
    float sy = 0.0f;
    view.GetScaleFactors(&sx, &sy);
    return ShapePoint{std::clamp(static_cast<float>(x) * sx, 0.0f, static_cast<float>(view.width())),
                      std::clamp(static_cast<float>(y) * sy, 0.0f, static_cast<float>(view.shownHeight()))};
}

// The region JSON of the preview views' manual-analysis rectangle: "channelno" and the rectangle's
// "left", "right", "top" and "bottom" in picture pixels, the corners ordered whichever way the
// rectangle was dragged, as the styled text the page reads.
#pragma once

#include "app/player/shape_point.h"

#include <cstdint>
#include <string>

std::string ManualRegionJson(int16_t channel, const ShapePoint& corner, const ShapePoint& oppositeCorner);

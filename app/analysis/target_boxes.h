// The two target-size hint boxes of "SetTargetSize": from the calibration quadrilateral and the real
// size of the rectangle it stands for, the size a target has at each row of the picture, and from
// that a smaller and a larger square box in the middle of the picture.
#pragma once

#include "app/player/shape_point.h"

#include <cstdint>

struct TargetBox {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};

// The boxes for sides minPermille and maxPermille (per mille of the size range, the second counted
// from the first side onwards) on a picture of pictureWidth x pictureHeight. The first four points
// of calibration (at least four) map onto width x height. False, with the boxes untouched, when
// the calibration maps onto no rectangle, has its top and bottom on one row or yields no size
// range that fits the picture.
bool ComputeTargetBoxes(const PointList& calibration, float width, float height, int32_t minPermille,
                        int32_t maxPermille, int32_t pictureWidth, int32_t pictureHeight, TargetBox* minBox,
                        TargetBox* maxBox);

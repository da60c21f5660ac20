// Points on the picture: picture pixels of the decoded frame as floats, y counted within the shown
// rows. Every view's drag rectangle and every analytics shape is made of them.
#pragma once

#include <vector>

struct ShapePoint {
    float x = 0.0f;
    float y = 0.0f;
};

// One shape: its points in drawing order.
using PointList = std::vector<ShapePoint>;

// The analytics shapes that the setting view keeps and exchanges with the page as JSON: the
// calibration quadrilateral and the shapes of each group, in picture pixels.
#pragma once

#include "app/player/shape_point.h"

#include <cstddef>
#include <vector>

// All shapes of one kind; a shape's index is its position.
using ShapeList = std::vector<PointList>;

// How many shapes of a group drawing and loading keep.
constexpr size_t kMaxShieldAreas = 20;
constexpr size_t kMaxGroupShapes = 8;  // stop areas, lanes, solid, U-turn and lane-change lines
constexpr size_t kMaxSizeRects = 2;    // first the smaller target size, then the larger

struct AnalysisShapes {
    PointList calibrationPoints;  // its first four points are the calibration quadrilateral
    ShapeList shieldAreas;
    ShapeList stopAreas;
    ShapeList sizeRects;
    ShapeList laneLines;       // lane outlines, four points each
    ShapeList laneDirections;  // paired by position with laneLines
    ShapeList solidLines;
    ShapeList uturnLines;
    ShapeList changeLines;
};

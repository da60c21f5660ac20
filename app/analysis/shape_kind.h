// The kinds of analytics shapes: one numbering shared by "StartDraw", the first argument of the
// area events and the setting view's current kind.
#pragma once

#include <cstdint>

enum ShapeKind : int32_t {
    kNoShape = 0,
    kShieldAreaKind = 1,
    kCalibrationKind = 2,  // the calibration quadrilateral
    kCheckLineKind = 3,    // a distance between two points, never stored
    kStopAreaKind = 4,
    kLaneKind = 5,           // a lane outline, saved with its direction
    kLaneDirectionKind = 6,  // the direction of the lane being drawn
    kSolidLineKind = 7,
    kUturnLineKind = 8,
    kCheckWidthKind = 9,  // a distance across a rectangle at its middle height
    kChangeLineKind = 10,
    kZoomKind = 11,               // the zoom rectangle
    kCalibrationSearchKind = 12,  // the rectangle the chessboard is searched in
    kSizeRectKind = 13,           // a target-size rectangle, loaded only
};

// The fewest and most points a shape of the kind has; 0 and 0 for a value that is no kind.
struct PointLimits {
    int32_t minimum = 0;
    int32_t maximum = 0;
};
PointLimits PointLimitsOf(int32_t kind);

// The hide-flag group of a kind (0 shield areas, 1 calibration, 2 stop areas, 3 lanes, 4 solid,
// 5 U-turn, 6 lane-change lines, 7 target-size rectangles), or -1 for a kind in no group.
int GroupOfKind(int32_t kind);

// Closed outlines (polygons) as opposed to open polylines.
bool IsClosedKind(int32_t kind);
bool IsCheckLineKind(int32_t kind);

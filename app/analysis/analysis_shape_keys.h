// Where each analytics view keeps its groups in the JSON it exchanges with the page, and how many
// points a shape of each group keeps.
#pragma once

#include "app/analysis/poly_line_json.h"

// The lane view: the monitor area, then the lane lines.
inline constexpr ShapeGroupKeys kLaneViewKeys[] = {
    {"monitorareas", "monitorareacnt", 15},
    {"lanelines", "lanelinecnt", 18},
};

// The named-area views: monitor, parking, unparking areas, the calibration rectangle, and a fifth
// group with empty keys, which only the gun variant uses (for its cross marks).
inline constexpr ShapeGroupKeys kNamedAreaViewKeys[] = {
    {"monitorareas", "monitorareacnt", 15},
    {"parkingareas", "parkingareacnt", 8},
    {"unparkingareas", "unparkingareacnt", 8},
    {"dingbiaoareas", "dingbiaoareacnt", 8},
    {"", "", 1},
};
inline constexpr ShapeGroupKeys kCrossMarkKeys = {"crossareas", "crossareacnt", 1};

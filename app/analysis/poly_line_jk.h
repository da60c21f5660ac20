// A shape of the lane view: a PolyLine with the lane line's name, its place in its group when it
// was made, and whether the camera detects vehicles on it (its label mode).
#pragma once

#include "app/analysis/poly_line.h"

#include <cstdint>
#include <string>

// What the camera does with a lane line.
enum LaneLabelMode : int32_t {
    kLaneNotDetected = 0,
    kLaneDetected = 1,
    kLaneByVehiclePosition = 2,
};

class PolyLineJk : public PolyLine {
public:
    PolyLineJk() = default;
    ~PolyLineJk() override = default;

    int32_t labelMode = kLaneNotDetected;  // JSON "linearg"
    int32_t sequenceNumber = 0;            // 1-based place in the group when made or read
    std::string name;                      // JSON "linename"; empty for a monitor area
};

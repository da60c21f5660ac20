#include "app/analysis/shape_kind.h"

PointLimits PointLimitsOf(int32_t kind) {
    switch (kind) {
        case kShieldAreaKind:
        case kStopAreaKind:
            return {3, 8};
        case kCalibrationKind:
        case kLaneKind:
            return {4, 4};
        case kCheckLineKind:
        case kLaneDirectionKind:
        case kCheckWidthKind:
        case kZoomKind:
        case kCalibrationSearchKind:
        case kSizeRectKind:
            return {2, 2};
        case kSolidLineKind:
        case kUturnLineKind:
        case kChangeLineKind:
            return {2, 4};
        default:
            return {};
    }
}

int GroupOfKind(int32_t kind) {
    switch (kind) {
        case kShieldAreaKind:
            return 0;
        case kCalibrationKind:
            return 1;
        case kStopAreaKind:
            return 2;
        case kLaneKind:
        case kLaneDirectionKind:
            return 3;
        case kSolidLineKind:
            return 4;
        case kUturnLineKind:
            return 5;
        case kChangeLineKind:
            return 6;
        case kSizeRectKind:
            return 7;
        default:
            return -1;
    }
}

bool IsClosedKind(int32_t kind) {
    return kind == kShieldAreaKind || kind == kCalibrationKind || kind == kStopAreaKind || kind == kLaneKind ||
           kind == kSizeRectKind;
}

bool IsCheckLineKind(int32_t kind) { return kind == kCheckLineKind || kind == kCheckWidthKind; }

#include "app/analysis/target_boxes.h"

#include "app/analysis/ground_plane_transform.h"
#include "app/analysis/saturating_conversion.h"
#include "app/analysis/target_size_model.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// The smallest box side, and the ground span whose picture size a target is taken to have.
constexpr int32_t kSmallestSide = 70;
constexpr double kReferenceSpan = 18.0;
constexpr float kHalfProbe = 5.0f;
constexpr float kUnit = 1.8f;

// The calibration points highest and lowest on the picture, the first of equal ones winning.
std::pair<ShapePoint, ShapePoint> TopAndBottom(const PointList& calibration) {
    ShapePoint top = calibration[0];
    ShapePoint bottom = calibration[0];
    for (size_t i = 1; i < 4; ++i) {
        if (calibration[i].y < top.y) top = calibration[i];
        if (calibration[i].y > bottom.y) bottom = calibration[i];
    }
    return {top, bottom};
}

// The picture size of kReferenceSpan ground units at a row, measured across a short probe.
std::optional<float> ReferenceSize(const PerspectiveTransform& toGround, const ShapePoint& at) {
    const float span = GroundDistance(toGround, {at.x - kHalfProbe, at.y}, {at.x + kHalfProbe, at.y});
    if (!(span > 0.0f)) return std::nullopt;
    return SaturatingFloat(kReferenceSpan / span);
}

// The smallest side: the size at half the first row's size when that is small, else at row 0.
int32_t SmallestSide(const TargetSizeModel& model, int32_t rows) {
    const float first = model.SizeAt(0);
    if (first < 0.0f) return 0;
    if (first < static_cast<float>(rows / 3)) return SaturatingInt(model.SizeAt(SaturatingInt(first) / 2));
    return SaturatingInt(first);
}

// The largest side: the size at the lowest row where a box of that size centred on the row still
// ends inside the picture; nothing when no row below the top third has room.
std::optional<int32_t> LargestSide(const TargetSizeModel& model, int32_t rows) {
    for (int32_t r = rows - 1; r > rows / 3; --r) {
        if (model.SizeAt(r) * 0.5f + static_cast<float>(r) < static_cast<float>(rows)) {
            return SaturatingInt(model.SizeAt(r));
        }
    }
    return std::nullopt;
}

// The first row from start on where the size exceeds side, or rows.
int32_t RowOfSize(const TargetSizeModel& model, int32_t rows, int32_t start, float side) {
    for (int32_t i = start; i < rows; ++i) {
        if (model.SizeAt(i) > side) return i;
    }
    return rows;
}

TargetBox SquareAt(int32_t centreX, int32_t row, float side) {
    return TargetBox{SaturatingInt(static_cast<float>(centreX) - side * 0.5f),
                     SaturatingInt(static_cast<float>(row) - side * 0.5f), SaturatingInt(side), SaturatingInt(side)};
}

}  // namespace

bool ComputeTargetBoxes(const PointList& calibration, float width, float height, int32_t minPermille,
                        int32_t maxPermille, int32_t pictureWidth, int32_t pictureHeight, TargetBox* minBox,
                        TargetBox* maxBox) {
    if (calibration.size() < 4) return false;
    PerspectiveTransform toGround;
    PerspectiveTransform toPicture;
    if (ComputeCalibrationTransform(calibration.data(), width, height, &toGround, &toPicture) == 0) return false;
    const auto [top, bottom] = TopAndBottom(calibration);
    const std::optional<float> sizeTop = ReferenceSize(toGround, top);
    const std::optional<float> sizeBottom = ReferenceSize(toGround, bottom);
    if (!sizeTop || !sizeBottom) return false;

    TargetSizeModel model;
    if (model.Build(pictureHeight, SaturatingInt(top.y), SaturatingInt(bottom.y), *sizeBottom, 1.0f, kUnit, *sizeTop) <
        0) {
        return false;
    }
    int32_t lo = SmallestSide(model, pictureHeight);
    const std::optional<int32_t> largest = LargestSide(model, pictureHeight);
    if (!largest) return false;
    int32_t hi = *largest;
    if (hi < lo) std::swap(hi, lo);
    lo = std::max(lo, kSmallestSide);

    const int64_t range = int64_t{hi} - lo;
    const float side1 = SaturatingFloat(static_cast<double>(lo) + static_cast<double>(range * minPermille) / 1000.0);
    const float side2 = SaturatingFloat(
        static_cast<double>(side1) +
        static_cast<double>((static_cast<float>(hi) - side1) * static_cast<float>(maxPermille)) / 1000.0);
    const int32_t centreX = pictureWidth / 2;
    const int32_t row1 = RowOfSize(model, pictureHeight, 0, side1);
    const int32_t row2 = RowOfSize(model, pictureHeight, row1, side2);
    *minBox = SquareAt(centreX, row1, side1);
    *maxBox = SquareAt(centreX, row2, side2);
    return true;
}

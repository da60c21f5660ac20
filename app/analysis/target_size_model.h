// How large a target is at each row of the picture: two (row, size) samples from the calibration,
// interpolated linearly over every row and scaled by 2.2 / unit, with a second table that holds the
// first multiplied by an aspect ratio.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

class TargetSizeModel {
public:
    TargetSizeModel() = default;

    // Builds both tables for rows 0..rows - 1 through (rowTop, sizeTop) and (rowBottom,
    // sizeBottom): sizes[i] = (i - rowTop) * slope + k * sizeTop + 0.5 with k = 2.2 / unit. 1, or -1
    // with the old tables kept when rows < 1, the two rows are equal, either row is beyond rows,
    // the ratio is not above 0 or the tables cannot be allocated.
    int Build(int32_t rows, int32_t rowTop, int32_t rowBottom, float sizeBottom, float ratio, float unit,
              float sizeTop);

    // The size at a row of the last successful build; row must lie in 0..rows() - 1.
    float SizeAt(int32_t row) const { return sizes_[static_cast<size_t>(row)]; }
    float ScaledSizeAt(int32_t row) const { return scaledSizes_[static_cast<size_t>(row)]; }
    int32_t rows() const { return rows_; }
    // All 1.0 until a build; a build sets the third to 2.2 and the fourth to ratio x 2.2.
    const std::array<float, 4>& factors() const { return factors_; }

private:
    std::unique_ptr<float[]> sizes_;
    std::unique_ptr<float[]> scaledSizes_;
    int32_t rows_ = 0;
    std::array<float, 4> factors_{1.0f, 1.0f, 1.0f, 1.0f};
};

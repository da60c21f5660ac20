#include "app/analysis/target_size_model.h"

#include <new>
#include <utility>

namespace {

constexpr float kScale = 2.2f;

}  // namespace

int TargetSizeModel::Build(int32_t rows, int32_t rowTop, int32_t rowBottom, float sizeBottom, float ratio, float unit,
                           float sizeTop) {
    if (rows < 1 || rowTop == rowBottom || rowTop > rows || rowBottom > rows || !(ratio > 0.0f)) return -1;
    std::unique_ptr<float[]> sizes(new (std::nothrow) float[static_cast<size_t>(rows)]);
    std::unique_ptr<float[]> scaled(new (std::nothrow) float[static_cast<size_t>(rows)]);
    if (!sizes || !scaled) return -1;
    const float k = kScale / unit;
    // In 64 bits: rows below 0 are accepted, so the distances may exceed the int range.
    const float slope = (k * sizeBottom - k * sizeTop) / static_cast<float>(int64_t{rowBottom} - rowTop);
    for (int32_t i = 0; i < rows; ++i) {
        sizes[static_cast<size_t>(i)] = static_cast<float>(int64_t{i} - rowTop) * slope + k * sizeTop + 0.5f;
        scaled[static_cast<size_t>(i)] = sizes[static_cast<size_t>(i)] * ratio;
    }
    sizes_ = std::move(sizes);
    scaledSizes_ = std::move(scaled);
    rows_ = rows;
    factors_[2] = kScale;
    factors_[3] = ratio * kScale;
    return 1;
}

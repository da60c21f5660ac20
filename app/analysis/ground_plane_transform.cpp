#include "app/analysis/ground_plane_transform.h"

#include "app/analysis/saturating_conversion.h"

#include <cmath>
#include <utility>

int SolveLinear8(const double a[8][8], const double b[8], double x[8]) {
    constexpr int n = 8;
    double work[n][n + 1];
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) work[r][c] = a[r][c];
        work[r][n] = b[r];
    }
    int columnOf[n];  // which unknown each column holds after the column swaps
    for (int c = 0; c < n; ++c) columnOf[c] = c;
    for (int step = 0; step < n; ++step) {
        int pivotRow = step;
        int pivotColumn = step;
        double largest = 0.0;
        for (int r = step; r < n; ++r) {
            for (int c = step; c < n; ++c) {
                if (std::fabs(work[r][c]) > largest) {
                    largest = std::fabs(work[r][c]);
                    pivotRow = r;
                    pivotColumn = c;
                }
            }
        }
        if (1.0 + largest == 1.0) return -1;
        if (pivotRow != step) {
            for (int c = 0; c <= n; ++c) std::swap(work[step][c], work[pivotRow][c]);
        }
        if (pivotColumn != step) {
            for (int r = 0; r < n; ++r) std::swap(work[r][step], work[r][pivotColumn]);
            std::swap(columnOf[step], columnOf[pivotColumn]);
        }
        const double pivot = work[step][step];
        for (int c = 0; c <= n; ++c) work[step][c] /= pivot;
        for (int r = 0; r < n; ++r) {
            if (r == step || work[r][step] == 0.0) continue;
            const double factor = work[r][step];
            for (int c = 0; c <= n; ++c) work[r][c] -= factor * work[step][c];
        }
    }
    for (int c = 0; c < n; ++c) x[columnOf[c]] = work[c][n];
    return 0;
}

int ComputePerspective(const ShapePoint source[4], const ShapePoint destination[4], PerspectiveTransform* transform) {
    double a[8][8] = {};
    double b[8] = {};
    for (int i = 0; i < 4; ++i) {
        const double x = source[i].x, y = source[i].y;
        const double u = destination[i].x, v = destination[i].y;
        const double uRow[8] = {x, y, 1, 0, 0, 0, -u * x, -u * y};
        const double vRow[8] = {0, 0, 0, x, y, 1, -v * x, -v * y};
        for (int c = 0; c < 8; ++c) {
            a[i][c] = uRow[c];
            a[i + 4][c] = vRow[c];
        }
        b[i] = u;
        b[i + 4] = v;
    }
    double m[8];
    if (SolveLinear8(a, b, m) != 0) return 0;
    for (int i = 0; i < 8; ++i) transform->m[static_cast<size_t>(i)] = SaturatingFloat(m[i]);
    transform->m[8] = 1.0f;
    return 1;
}

PerspectiveTransform Adjugate(const PerspectiveTransform& t) {
    const auto& m = t.m;
    PerspectiveTransform adjugate;
    adjugate.m = {m[4] - m[5] * m[7],        m[2] * m[7] - m[1],        m[1] * m[5] - m[2] * m[4],
                  m[5] * m[6] - m[3],        m[0] - m[2] * m[6],        m[2] * m[3] - m[0] * m[5],
                  m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
    return adjugate;
}

int ComputePerspectiveInverse(const ShapePoint source[4], const ShapePoint destination[4],
                              PerspectiveTransform* forward, PerspectiveTransform* inverse) {
    const int result = ComputePerspective(source, destination, forward);
    if (result != 0) *inverse = Adjugate(*forward);
    return result;
}

int ComputeCalibrationTransform(const ShapePoint picture[4], float width, float height, PerspectiveTransform* toGround,
                                PerspectiveTransform* toPicture) {
    const ShapePoint ground[4] = {{0.0f, 0.0f}, {width, 0.0f}, {width, height}, {0.0f, height}};
    return ComputePerspectiveInverse(picture, ground, toGround, toPicture);
}

ShapePoint ApplyPerspective(const ShapePoint& point, const PerspectiveTransform& t) {
    const auto& m = t.m;
    const float w = m[6] * point.x + m[7] * point.y + m[8];
    return ShapePoint{(m[0] * point.x + m[1] * point.y + m[2]) / w, (m[3] * point.x + m[4] * point.y + m[5]) / w};
}

float GroundDistance(const PerspectiveTransform& transform, const ShapePoint& a, const ShapePoint& b) {
    const ShapePoint p = ApplyPerspective(a, transform);
    const ShapePoint q = ApplyPerspective(b, transform);
    const double dx = static_cast<double>(p.x) - q.x;
    const double dy = static_cast<double>(p.y) - q.y;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

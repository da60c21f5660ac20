// Plane-to-plane perspective transforms: how the calibration quadrilateral drawn on the picture
// maps onto the real rectangle on the ground, so that distances between picture points can be
// measured in real units.
#pragma once

#include "app/player/shape_point.h"

#include <array>

// m0..m8 row-major; a point (x, y) maps to ((m0 x + m1 y + m2) / w, (m3 x + m4 y + m5) / w) with
// w = m6 x + m7 y + m8. Computed transforms have m8 = 1.
struct PerspectiveTransform {
    std::array<float, 9> m{};
};

// Solves the 8 x 8 system a x = b by Gauss-Jordan elimination with full pivoting; 0, or -1 when
// the system is singular (1.0 plus the largest remaining pivot equals 1.0).
int SolveLinear8(const double a[8][8], const double b[8], double x[8]);

// The transform that maps each of the four source points onto its destination; 1, or 0 when the
// points admit none.
int ComputePerspective(const ShapePoint source[4], const ShapePoint destination[4], PerspectiveTransform* transform);

// The adjugate of a transform (m8 taken as 1): its inverse up to scale, which maps back.
PerspectiveTransform Adjugate(const PerspectiveTransform& transform);

// The transform from the picture quadrilateral onto the rectangle (0, 0), (width, 0),
// (width, height), (0, height), its corners taken in that order, and in toPicture the adjugate that
// maps back; the result of ComputePerspective.
int ComputeCalibrationTransform(const ShapePoint picture[4], float width, float height, PerspectiveTransform* toGround,
                                PerspectiveTransform* toPicture);

// The same for any four destination points.
int ComputePerspectiveInverse(const ShapePoint source[4], const ShapePoint destination[4],
                              PerspectiveTransform* forward, PerspectiveTransform* inverse);

ShapePoint ApplyPerspective(const ShapePoint& point, const PerspectiveTransform& transform);

// The Euclidean distance between the images of two points.
float GroundDistance(const PerspectiveTransform& transform, const ShapePoint& a, const ShapePoint& b);

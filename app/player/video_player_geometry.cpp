// Hit tests on points of the picture: which segment of a point list or which of its points lies
// under the pointer, whether a point lies inside a polygon, whether two segments cross.
#include "app/player/video_player.h"

#include <algorithm>
#include <cmath>

namespace {

// Half the side of the square around a point in which the pointer hits it.
constexpr float kPointReach = 12.0f;
// How much longer the path through the pointer may be than the segment itself.
constexpr float kSegmentSlack = 0.3f;
// Moves the probe line of the polygon test off vertices with whole-pixel y.
constexpr float kProbeShift = 0.1f;

float Distance(const ShapePoint& a, const ShapePoint& b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

float Cross(float ux, float uy, float vx, float vy) { return ux * vy - uy * vx; }

// True when the segments cross at one point inside both; touching, overlapping and collinear
// segments do not cross.
bool SegmentsCross(const ShapePoint& a1, const ShapePoint& a2, const ShapePoint& b1, const ShapePoint& b2) {
    const float d1 = Cross(a1.x - b1.x, a1.y - b1.y, a2.x - b1.x, a2.y - b1.y);
    const float d2 = Cross(a1.x - b2.x, a1.y - b2.y, a2.x - b2.x, a2.y - b2.y);
    if (d1 * d2 >= 0.0f) return false;
    const float d3 = Cross(b1.x - a1.x, b1.y - a1.y, b2.x - a1.x, b2.y - a1.y);
    // d3 + d1 - d2 is the side of a2 against the line through b1 and b2.
    return (d3 + d1 - d2) * d3 < 0.0f;
}

}  // namespace

// The point is on a segment when it lies inside a very thin ellipse with the segment's ends as foci.
int CVideoPlayer::FindSegmentAt(const ShapePoint& point, PointList points) {
    for (size_t i = 1; i < points.size(); ++i) {
        const ShapePoint& a = points[i - 1];
        const ShapePoint& b = points[i];
        if (Distance(point, a) + Distance(point, b) < Distance(a, b) + kSegmentSlack) return static_cast<int>(i);
    }
    return 0;
}

int CVideoPlayer::FindPointAt(const ShapePoint& point, PointList points) {
    for (size_t i = 0; i < points.size(); ++i) {
        const ShapePoint& q = points[i];
        const PointList square{{q.x - kPointReach, q.y - kPointReach},
                               {q.x + kPointReach, q.y - kPointReach},
                               {q.x + kPointReach, q.y + kPointReach},
                               {q.x - kPointReach, q.y + kPointReach}};
        if (PointInPolygon(point, square)) return static_cast<int>(i + 1);
    }
    return 0;
}

bool CVideoPlayer::SegmentsIntersect(int a1x, int a1y, int a2x, int a2y, int b1x, int b1y, int b2x, int b2y) {
    auto at = [](int x, int y) { return ShapePoint{static_cast<float>(x), static_cast<float>(y)}; };
    return SegmentsCross(at(a1x, a1y), at(a2x, a2y), at(b1x, b1y), at(b2x, b2y));
}

// The probe runs from the point to the left, past every point of the polygon: a probe that stopped
// at x = 0 would miss edges at or left of the picture's left border (the hit square of a vertex
// near it, a shape on the border) and take points right of them for inside.
bool PointInPolygon(const ShapePoint& point, const PointList& polygon) {
    if (polygon.empty()) return false;
    float left = 0.0f;
    for (const ShapePoint& vertex : polygon) left = std::min(left, vertex.x);
    const ShapePoint probeStart{point.x, point.y + kProbeShift};
    const ShapePoint probeEnd{std::min(left, point.x) - 1.0f, point.y + kProbeShift};
    int crossings = SegmentsCross(probeStart, probeEnd, polygon.back(), polygon.front()) ? 1 : 0;
    for (size_t i = 0; i + 1 < polygon.size(); ++i) {
        if (SegmentsCross(probeStart, probeEnd, polygon[i], polygon[i + 1])) ++crossings;
    }
    return crossings % 2 == 1;
}

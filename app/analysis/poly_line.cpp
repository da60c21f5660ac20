// The geometry of one analytics shape: growing it point by point, ordering a rectangle's corners,
// finding what a click hits and editing its vertices.
#include "app/analysis/poly_line.h"

#include "app/analysis/poly_line_group.h"
#include "app/util/code_page_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Segments shorter than this have no direction to measure a distance from.
constexpr double kShortestSegment = 0.001;

double Dot(double ax, double ay, double bx, double by) { return ax * bx + ay * by; }

const std::string kNoLabel;

}  // namespace

PolyLine* PolyLine::ApplyGroup(ShapeGroup* group, PolyLine* shape) {
    shape->ClearSelection();
    shape->owner_ = group->owner;
    shape->kind_ = group->kind;
    shape->pointLimit_ = group->pointLimit;
    shape->group_ = group;
    return shape;
}

int32_t PolyLine::AddPoint(const ShapePoint& point) {
    if (kind_ != kRectangle) {
        if (count() >= pointLimit_) return 0;
        points_.push_back(point);
        selectedVertex_ = static_cast<int32_t>(count());
        return 1;
    }
    switch (count()) {
        case 0:
            points_.push_back(point);
            selectedVertex_ = 1;
            return 1;
        case 1:
            points_.push_back(point);
            MakeRectangle();
            return 0;
        default:
            return 0;
    }
}

void PolyLine::MakeRectangle() {
    if (count() != 2) return;
    const ShapePoint first = points_.front();
    const ShapePoint last = points_.back();
    points_ = {ShapePoint{std::min(first.x, last.x), std::min(first.y, last.y)},
               ShapePoint{std::max(first.x, last.x), std::max(first.y, last.y)}};
}

int32_t HitTestPolylineSegments(const ShapePoint& point, const PointList& points) {
    const double px = point.x;
    const double py = point.y;
    for (size_t i = 1; i < points.size(); ++i) {
        const double ax = points[i - 1].x, ay = points[i - 1].y;
        const double bx = points[i].x, by = points[i].y;
        const double dx = bx - ax, dy = by - ay;
        const double length = std::sqrt(dx * dx + dy * dy);
        if (!(length >= kShortestSegment)) continue;
        // Beyond B, or before A: not on this segment.
        if (Dot(bx - px, by - py, dx, dy) < 0.0 || Dot(ax - bx, ay - by, ax - px, ay - py) < 0.0) continue;
        const double distance = std::fabs((ay - py) * (bx - px) - (ax - px) * (by - py)) / length;
        if (distance < kSegmentReach) return static_cast<int32_t>(i);
    }
    return 0;
}

int32_t PolyLine::HitTest(const ShapePoint& point) const {
    if (count() < 2) return 0;
    if (kind_ == kRectangle) {
        const ShapePoint f = points_.front();
        const ShapePoint g = points_.back();
        const PointList outline{f, {g.x, f.y}, g, {f.x, g.y}, f};
        return HitTestPolylineSegments(point, outline) > 0 ? 1 : 0;
    }
    const int32_t segment = HitTestPolylineSegments(point, points_);
    if (segment > 0) return segment;
    if (kind_ == kClosedPolygon && HitTestPolylineSegments(point, PointList{points_.front(), points_.back()}) > 0) {
        return static_cast<int32_t>(count());
    }
    return 0;
}

bool PolyLine::EraseSelectedVertex() {
    if (selectedVertex_ < 1 || static_cast<uint32_t>(selectedVertex_) > count()) return false;
    points_.erase(points_.begin() + (selectedVertex_ - 1));
    if (static_cast<uint32_t>(selectedVertex_) > count()) selectedVertex_ = 0;
    return true;
}

bool PolyLine::InsertAfterSelectedSegment(const ShapePoint& point) {
    if (selectedSegment_ < 1 || static_cast<uint32_t>(selectedSegment_) > count() || !CanGrow()) return false;
    points_.insert(points_.begin() + selectedSegment_, point);
    return true;
}

bool PolyLine::CanGrow() const {
    // A rectangle is its two corners: a third point would leave it no rectangle at all.
    const uint32_t most = kind_ == kRectangle ? std::min<uint32_t>(pointLimit_, 2) : pointLimit_;
    return count() < most;
}

bool PolyLine::MoveVertex(int32_t k, const ShapePoint& point) {
    if (k < 1 || static_cast<uint32_t>(k) > count()) return false;
    points_[static_cast<size_t>(k - 1)] = point;
    return true;
}

const std::string& PolyLine::FirstLabel() const { return labels_.empty() ? kNoLabel : labels_.front(); }

void PolyLine::SetLabel(const std::string& label) {
    labels_.assign(1, label);
    // No character takes more bytes in the ANSI code page than in UTF-8.
    std::string drawn(label.size() + 1, '\0');
    Utf8ToAnsi(drawn.data(), label.c_str(), static_cast<int>(drawn.size()));
    drawn.resize(std::strlen(drawn.c_str()));
    drawnLabels_.assign(1, drawn);
}

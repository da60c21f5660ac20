// Drawing one analytics shape into its view's current picture, with the view's line, square and
// text primitives. Runs for every decoded picture under the frame lock: it walks the points once.
#include "app/analysis/poly_line.h"

#include "app/player/video_player.h"
#include "app/render/drawing_coordinate.h"

namespace {

const DrawColour kSelectedColour{255, 255, 255};
// Labels sit this far below the middle of their segment.
constexpr float kLabelDrop = 4.0f;

}  // namespace

void PolyLine::DrawSegment(size_t from, size_t to, const DrawColour& colour) {
    const bool selected = static_cast<int32_t>(from + 1) == selectedSegment_;
    owner_->DrawLine(points_[from], points_[to], selected ? kSelectedColour : colour);
}

void PolyLine::DrawVertex(size_t index, const DrawColour& colour) {
    const bool selected = static_cast<int32_t>(index + 1) == selectedVertex_;
    const ShapePoint& vertex = points_[index];
    owner_->DrawSquare(DrawingCoordinate(vertex.x), DrawingCoordinate(vertex.y), kVertexMarkerSide,
                       selected ? kSelectedColour : colour);
}

// Centred on the segment's middle by its length in bytes; a place left of or above the picture
// becomes 1.
void PolyLine::DrawLabel(size_t segment, const DrawColour& colour) {
    if (segment >= drawnLabels_.size()) return;
    const std::string& label = drawnLabels_[segment];
    const ShapePoint& a = points_[segment];
    const ShapePoint& b = points_[segment + 1];
    const float middleX = (a.x + b.x) / 2.0f;
    const float middleY = (a.y + b.y) / 2.0f;
    // An empty label's (length - 1) wraps round, which puts it far left: at x = 1.
    const uint32_t halfWidth =
        static_cast<uint32_t>(static_cast<uint32_t>(label.size()) - 1u) * static_cast<uint32_t>(labelSize_) / 2u;
    int32_t x = DrawingCoordinate(middleX - static_cast<float>(halfWidth));
    int32_t y = DrawingCoordinate(middleY + kLabelDrop);
    if (x < 0) x = 1;
    if (y < 0) y = 1;
    owner_->DrawText(x, y, label.c_str(), labelSize_, colour);
}

void PolyLine::Draw(const DrawColour& colour, bool showVertices) {
    if (owner_ == nullptr || points_.empty()) return;
    if (kind_ == kRectangle) {
        DrawRectangle(colour, showVertices);
        return;
    }
    for (size_t i = 0; i + 1 < points_.size(); ++i) {
        DrawSegment(i, i + 1, colour);
        DrawLabel(i, colour);
        if (showVertices) DrawVertex(i, colour);
    }
    const size_t last = points_.size() - 1;
    if (kind_ == kClosedPolygon && points_.size() > 2) DrawSegment(last, 0, colour);
    if (showVertices) DrawVertex(last, colour);
}

// Four plain sides, with no highlight and no label.
void PolyLine::DrawRectangle(const DrawColour& colour, bool showVertices) {
    if (points_.size() == 2) owner_->DrawRect(points_.front(), points_.back(), colour);
    if (!showVertices) return;
    for (size_t i = 0; i < points_.size(); ++i) DrawVertex(i, colour);
}

// One analytics shape drawn on the picture: an open polyline, a closed polygon or a rectangle, in
// picture pixels (never window coordinates), with the vertex or segment the user selected and the
// label drawn on its first segment. A shape belongs to one ShapeGroup of one view, whose settings
// it takes (kind, point limit, owner view) and whose drawing primitives it uses.
//
// A shape has no lock of its own: every operation on it runs under its view's frame lock.
#pragma once

#include "app/analysis/poly_line_pixel.h"
#include "app/player/shape_point.h"

#include <cstdint>
#include <string>
#include <vector>

class CVideoPlayer;
class ShapeGroup;
struct DrawColour;

enum ShapeKind : int32_t {
    kOpenPolyline = 0,
    kClosedPolygon = 1,
    kRectangle = 2,  // two points: top-left and bottom-right corner once complete
};

// How far from a segment's line a point may lie and still hit it, in picture pixels.
constexpr double kSegmentReach = 20.0;
// Side of the square marker drawn on each vertex, in picture pixels.
constexpr int kVertexMarkerSide = 24;

class PolyLine {
public:
    PolyLine() = default;
    virtual ~PolyLine() = default;
    PolyLine(const PolyLine&) = delete;
    PolyLine& operator=(const PolyLine&) = delete;

    // Gives the shape the group's kind, point limit and owner view, clears both selections and
    // makes the group the shape's own; returns the shape.
    static PolyLine* ApplyGroup(ShapeGroup* group, PolyLine* shape);

    // Appends a vertex while the shape is being drawn: 1 when appended as an ordinary vertex (it
    // becomes the selected one), 0 when refused at the point limit, after a complete rectangle, or
    // when the point completed a rectangle.
    int32_t AddPoint(const ShapePoint& point);
    // Orders a two-point rectangle's corners: (min x, min y) first, (max x, max y) second.
    void MakeRectangle();
    // 0 for no hit; the 1-based segment hit for polylines and polygons (the closing edge of a
    // polygon is segment count); 1 for a hit on a rectangle's outline.
    int32_t HitTest(const ShapePoint& point) const;

    // Draws the shape into the owner's current picture; the selected segment and vertex in white.
    void Draw(const DrawColour& colour, bool showVertices);
    // The marker of vertex index (0-based): white when it is the selected vertex.
    void DrawVertex(size_t index, const DrawColour& colour);

    // Vertex editing with the popup menu: erases the selected vertex, or inserts the point after
    // the selected segment's first vertex. False when the selection does not allow it.
    bool EraseSelectedVertex();
    bool InsertAfterSelectedSegment(const ShapePoint& point);
    // Moves vertex k (1-based); false when k names no vertex.
    bool MoveVertex(int32_t k, const ShapePoint& point);

    const PointList& points() const { return points_; }
    uint32_t count() const { return static_cast<uint32_t>(points_.size()); }
    int32_t selectedVertex() const { return selectedVertex_; }
    int32_t selectedSegment() const { return selectedSegment_; }
    void SelectVertex(int32_t k) { selectedVertex_ = k; }
    void SelectSegment(int32_t k) { selectedSegment_ = k; }
    void ClearSelection() { selectedVertex_ = selectedSegment_ = 0; }
    int32_t kind() const { return kind_; }
    uint32_t pointLimit() const { return pointLimit_; }
    ShapeGroup* group() const { return group_; }
    // Below the point limit (two corners for a rectangle): a vertex may still be inserted.
    bool CanGrow() const;

    // The labels, label i drawn at the middle of segment i (1-based). The views keep one, as the
    // page gave it (UTF-8); it is drawn in the ANSI code page, as every text on the picture.
    const std::string& FirstLabel() const;
    void SetLabel(const std::string& label);
    void SetLabelSize(int32_t size) { labelSize_ = size; }
    // Reading from a document appends points without the drawing rules.
    void AppendPoint(const ShapePoint& point) { points_.push_back(point); }

private:
    void DrawSegment(size_t from, size_t to, const DrawColour& colour);
    void DrawLabel(size_t segment, const DrawColour& colour);
    void DrawRectangle(const DrawColour& colour, bool showVertices);

    PointList points_;
    int32_t selectedVertex_ = 0;   // 1-based, 0 for none
    int32_t selectedSegment_ = 0;  // 1-based, 0 for none
    std::vector<std::string> labels_;
    std::vector<std::string> drawnLabels_;  // the labels in the ANSI code page
    int32_t kind_ = kOpenPolyline;
    int32_t labelSize_ = 0;
    uint32_t pointLimit_ = 0;
    CVideoPlayer* owner_ = nullptr;  // not owned
    ShapeGroup* group_ = nullptr;    // owns the shape
};

// The 1-based index of the first segment of the open point list that the point lies on (within
// kSegmentReach of its line and between its ends), 0 for none. Segments shorter than 0.001 are
// never hit.
int32_t HitTestPolylineSegments(const ShapePoint& point, const PointList& points);

#include "app/analysis/poly_line_editing.h"

#include "app/util/file_logger.h"

void EditShapeAt(CVideoPlayer& view, PolyLine& shape, const ShapePoint& point) {
    shape.SelectVertex(view.FindPointAt(point, shape.points()));
    if (shape.selectedVertex() != 0) return;
    shape.SelectSegment(shape.HitTest(point));
    if (shape.selectedSegment() != 0) return;
    shape.AddPoint(point);
}

void DragSelectedVertex(PolyLine& shape, const ShapePoint& point) {
    const int32_t vertex = shape.selectedVertex();
    if (vertex < 1) return;
    if (!shape.MoveVertex(vertex, point)) FileLogger::Write("cur point index is too large:%d, corrupt.", vertex);
}

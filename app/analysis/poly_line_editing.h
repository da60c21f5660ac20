// What the mouse does to the shape being edited, the same in every analytics view: a click picks up
// the vertex under the pointer, else selects the segment under it, else adds the point; a drag
// with the left button moves the picked-up vertex.
#pragma once

#include "app/analysis/poly_line.h"
#include "app/player/video_player.h"

void EditShapeAt(CVideoPlayer& view, PolyLine& shape, const ShapePoint& point);
// Moves the selected vertex (when there is one) to the point; a selection beyond the points is
// logged and moves nothing.
void DragSelectedVertex(PolyLine& shape, const ShapePoint& point);

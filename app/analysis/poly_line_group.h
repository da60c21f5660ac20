// One sort of analytics shape inside a view (monitor areas, lane lines, parking areas ...): the
// shapes of that sort in creation or reading order, owned by the group, with what every new shape
// of the sort takes (kind, point limit, owner view), the colour they are drawn in, whether the
// group is shown, and the keys of its JSON form.
//
// Every operation runs under the owning view's frame lock.
#pragma once

#include "app/analysis/poly_line.h"
#include "app/analysis/poly_line_json.h"
#include "app/player/video_player.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ShapeGroup {
public:
    ShapeGroup() = default;
    ShapeGroup(const ShapeGroup&) = delete;
    ShapeGroup& operator=(const ShapeGroup&) = delete;

    // The group's place in the document, its point limit, its look and its view.
    void Configure(const ShapeGroupKeys& keys, const DrawColour& drawnIn, int32_t shapeKind, CVideoPlayer* view);

    uint32_t count() const { return static_cast<uint32_t>(shapes.size()); }
    // The 0-based place of the shape in the group, or -1 when the group does not hold it.
    int IndexOf(const PolyLine* shape) const;
    // Adds a shape that has taken this group's settings.
    void Append(std::unique_ptr<PolyLine> shape) { shapes.push_back(std::move(shape)); }
    // Deletes the shape when the group holds it; false otherwise.
    bool Destroy(const PolyLine* shape);

    std::vector<std::unique_ptr<PolyLine>> shapes;
    bool visible = true;
    const char* arrayKey = "";
    const char* countKey = "";
    uint32_t pointLimit = 0;
    DrawColour colour{0, 0, 0};
    int32_t kind = kOpenPolyline;
    CVideoPlayer* owner = nullptr;  // not owned
};

// Deletes every shape of the group and empties it.
void FreeShapeList(ShapeGroup& group);

// Draws every shape of a shown group with labels of the given size, in the group's colour; the
// current shape in red, with its vertex markers while it is edited.
void DrawShapeGroup(ShapeGroup& group, const PolyLine* current, bool editMode, int32_t labelSize);

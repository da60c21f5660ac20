#include "app/analysis/poly_line_group.h"

void ShapeGroup::Configure(const ShapeGroupKeys& keys, const DrawColour& drawnIn, int32_t shapeKind,
                           CVideoPlayer* view) {
    arrayKey = keys.arrayKey;
    countKey = keys.countKey;
    pointLimit = keys.pointLimit;
    colour = drawnIn;
    kind = shapeKind;
    owner = view;
}

int ShapeGroup::IndexOf(const PolyLine* shape) const {
    for (size_t i = 0; i < shapes.size(); ++i) {
        if (shapes[i].get() == shape) return static_cast<int>(i);
    }
    return -1;
}

bool ShapeGroup::Destroy(const PolyLine* shape) {
    const int index = IndexOf(shape);
    if (index < 0) return false;
    shapes.erase(shapes.begin() + index);
    return true;
}

void FreeShapeList(ShapeGroup& group) { group.shapes.clear(); }

void DrawShapeGroup(ShapeGroup& group, const PolyLine* current, bool editMode, int32_t labelSize) {
    static const DrawColour kCurrentShapeColour{255, 0, 0};
    if (!group.visible) return;
    for (const auto& shape : group.shapes) {
        shape->SetLabelSize(labelSize);
        if (shape.get() == current) {
            shape->Draw(kCurrentShapeColour, editMode);
        } else {
            shape->Draw(group.colour, false);
        }
    }
}

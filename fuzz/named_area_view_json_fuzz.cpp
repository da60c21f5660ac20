// The named-area views' reader of the page's JSON: named areas, the calibration rectangle, and the
// fifth group, with empty keys or (in the gun variant) the cross marks.
#include "app/analysis/analysis_shape_keys.h"
#include "shape_document_checks.h"

#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ShapeGroupKeys> keys(std::begin(kNamedAreaViewKeys), std::end(kNamedAreaViewKeys));
    CheckShapeDocument(text, keys, ShapeNaming::Named);
    keys.back() = kCrossMarkKeys;
    CheckShapeDocument(text, keys, ShapeNaming::Named);
    return 0;
}

// The lane view's reader of the page's JSON: a monitor area and lane lines with their names and
// detection modes.
#include "app/analysis/analysis_shape_keys.h"
#include "shape_document_checks.h"

#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckShapeDocument(text, {std::begin(kLaneViewKeys), std::end(kLaneViewKeys)}, ShapeNaming::Lane);
    return 0;
}

// The lane view's reader of the page's JSON: a monitor area and lane lines with their names and
// detection modes. The view then draws what it read, names and all.
#include "app/analysis/analysis_shape_keys.h"
#include "app/analysis/video_player_analysis_jk.h"
#include "shape_document_checks.h"
#include "view_drawing.h"

#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckShapeDocument(text, {std::begin(kLaneViewKeys), std::end(kLaneViewKeys)}, ShapeNaming::Lane);
    auto& view = fuzz_views::RunView<fuzz_views::DrawingView<CVideoPlayerAnalysisJK>>();
    view.SetAnalyseParams(text);
    view.Draw();
    return 0;
}

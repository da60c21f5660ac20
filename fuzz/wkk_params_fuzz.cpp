// The stop-and-shield view reads the same page text and keeps its stop and shield areas apart from
// the setting view's lists. Whatever the text: no exception; a refusal changes nothing; an accepted
// text leaves the setting view's stop and shield lists empty and the areas within their caps; and
// the document written from them reads back to the same areas. The view then draws them, and each
// area as a click on it selects it and the menu's "edit" leaves it, a marker on every vertex.
#include "app/analysis/video_player_wkk.h"
#include "app/analysis/wkk_params_json.h"
#include "view_drawing.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using WkkView = fuzz_views::DrawingView<CVideoPlayerWkk>;

// A point a click selects the area by: on its first segment for a shield line, at the middle of
// its points for a stop area.
ShapePoint ClickOn(const PointList& area, bool line) {
    if (line) return ShapePoint{(area[0].x + area[1].x) / 2.0f, (area[0].y + area[1].y) / 2.0f};
    double x = 0.0;
    double y = 0.0;
    for (const ShapePoint& point : area) {
        x += point.x;
        y += point.y;
    }
    return ShapePoint{static_cast<float>(x / area.size()), static_cast<float>(y / area.size())};
}

void DrawEachSelected(WkkView& view, const ShapeList& areas, bool lines) {
    for (const PointList& area : areas) {
        if (area.size() < (lines ? 2u : 3u)) continue;
        view.LockFrame();
        view.SelectShapeAt(ClickOn(area, lines));
        view.UnlockFrame();
        view.Draw();
        view.ResumeEditing();
        view.Draw();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    AnalysisShapes shapes;
    WkkAreas areas;
    areas.stopAreas.push_back({});  // sentinels a refusal must leave alone
    shapes.changeLines.push_back({});
    if (!ReadWkkParams(text, &shapes, &areas)) {
        if (areas.stopAreas.size() != 1 || shapes.changeLines.size() != 1) __builtin_trap();
        return 0;
    }
    if (!shapes.stopAreas.empty() || !shapes.shieldAreas.empty()) __builtin_trap();
    if (areas.stopAreas.size() > kMaxWkkAreas || areas.shieldAreas.size() > kMaxShieldAreas) __builtin_trap();
    const std::string written = WriteWkkParams(shapes, areas);
    AnalysisShapes shapesAgain;
    WkkAreas areasAgain;
    if (!ReadWkkParams(written, &shapesAgain, &areasAgain)) __builtin_trap();
    if (WriteWkkParams(shapesAgain, areasAgain) != written) __builtin_trap();

    WkkView& view = fuzz_views::RunView<WkkView>();
    view.SetAnalyseParams(text);
    view.Draw();
    DrawEachSelected(view, areas.shieldAreas, true);
    DrawEachSelected(view, areas.stopAreas, false);
    return 0;
}

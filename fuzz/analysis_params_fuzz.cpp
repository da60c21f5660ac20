// The analytics parameters reader takes JSON text from the page ("SetAnalyseParams"). Whatever the
// text, it answers without throwing; a refusal changes nothing; an accepted text leaves shapes the
// view can draw (caps kept, lanes paired and whole, calibration empty or four points), and what
// "SaveAnalyseParams" then writes reads back to the same shapes.
#include "app/analysis/analysis_params_json.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool Kept(const AnalysisShapes& shapes) {
    if (shapes.shieldAreas.size() > kMaxShieldAreas || shapes.stopAreas.size() > kMaxGroupShapes ||
        shapes.solidLines.size() > kMaxGroupShapes || shapes.uturnLines.size() > kMaxGroupShapes ||
        shapes.changeLines.size() > kMaxGroupShapes || shapes.laneLines.size() > kMaxGroupShapes ||
        shapes.sizeRects.size() > kMaxSizeRects) {
        return false;
    }
    if (shapes.laneLines.size() != shapes.laneDirections.size()) return false;
    for (size_t i = 0; i < shapes.laneLines.size(); ++i) {
        if (shapes.laneLines[i].size() != 4 || shapes.laneDirections[i].size() != 2) return false;
    }
    for (const PointList& rect : shapes.sizeRects) {
        if (rect.size() != 2) return false;
    }
    return shapes.calibrationPoints.empty() || shapes.calibrationPoints.size() == 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    AnalysisShapes shapes;
    shapes.stopAreas.push_back({{1.0f, 2.0f}});  // a sentinel a refusal must leave alone
    if (!ReadAnalyseParams(text, &shapes)) {
        if (shapes.stopAreas.size() != 1 || shapes.stopAreas[0].size() != 1) __builtin_trap();
        return 0;
    }
    if (!Kept(shapes)) __builtin_trap();
    const std::string written = WriteAnalyseParams(shapes);
    AnalysisShapes again;
    if (!ReadAnalyseParams(written, &again) || WriteAnalyseParams(again) != written) __builtin_trap();
    return 0;
}

#include "app/analysis/wkk_params_json.h"

#include "app/analysis/analysis_params_json.h"

#include <utility>

bool ReadWkkParams(const std::string& text, AnalysisShapes* shapes, WkkAreas* areas) {
    AnalysisShapes read;
    if (shapes == nullptr || areas == nullptr || !ReadAnalyseParams(text, &read, kMaxWkkAreas)) return false;
    areas->stopAreas = std::exchange(read.stopAreas, {});
    areas->shieldAreas = std::exchange(read.shieldAreas, {});
    *shapes = std::move(read);
    return true;
}

std::string WriteWkkParams(AnalysisShapes shapes, const WkkAreas& areas) {
    shapes.stopAreas = areas.stopAreas;
    shapes.shieldAreas = areas.shieldAreas;
    return WriteAnalyseParams(shapes);
}

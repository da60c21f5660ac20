// The parameters document of the stop-and-shield view: its own stop and shield areas travel as
// the document's "stoparea" and "sheildarea" groups, and the setting view's lists of those groups
// stay empty.
#pragma once

#include "app/analysis/analysis_shapes.h"

#include <cstddef>
#include <string>

// The view keeps up to fifteen areas of each kind it draws.
constexpr size_t kMaxWkkAreas = 15;

struct WkkAreas {
    ShapeList stopAreas;
    ShapeList shieldAreas;
};

// Reads the document as ReadAnalyseParams does, keeping up to kMaxWkkAreas stop areas (all that
// the view draws and writes), and takes its stop and shield areas out of shapes into areas; false,
// with both untouched, when the text is not JSON.
bool ReadWkkParams(const std::string& text, AnalysisShapes* shapes, WkkAreas* areas);

// The document of the shapes with the areas in place of their stop and shield areas.
std::string WriteWkkParams(AnalysisShapes shapes, const WkkAreas& areas);

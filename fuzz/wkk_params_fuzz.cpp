// The stop-and-shield view reads the same page text and keeps its stop and shield areas apart from
// the setting view's lists. Whatever the text: no exception; a refusal changes nothing; an accepted
// text leaves the setting view's stop and shield lists empty and the areas within their caps; and
// the document written from them reads back to the same areas.
#include "app/analysis/wkk_params_json.h"

#include <cstddef>
#include <cstdint>
#include <string>

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
    return 0;
}

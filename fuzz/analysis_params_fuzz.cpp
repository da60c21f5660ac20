// The analytics parameters reader takes JSON text from the page ("SetAnalyseParams"). Whatever the
// text, it answers without throwing; a refusal changes nothing; an accepted text leaves shapes the
// view can draw (caps kept, lanes paired and whole, calibration empty or four points), and what
// "SaveAnalyseParams" then writes reads back to the same shapes. The setting view then draws them:
// for each event type (each shows its own groups), and each shape selected and being edited as a
// click and the menu leave it, with a marker on every vertex wherever the document put it.
#include "app/analysis/analysis_params_json.h"
#include "app/analysis/analysis_setting_player.h"
#include "app/analysis/shape_kind.h"
#include "view_drawing.h"

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

class SettingView : public fuzz_views::DrawingView<CAnalysisSettingPlayer> {
public:
    void DrawLoaded(const std::string& text) {
        SetAnalyseParams(text);
        for (const int type : {0, 2, 4, 5}) {
            SetEventType(type);
            Draw();
        }
        LockFrame();
        const AnalysisShapes loaded = StoredShapes();
        UnlockFrame();
        EditEach(kShieldAreaKind, 0, loaded.shieldAreas);
        EditEach(kStopAreaKind, 0, loaded.stopAreas);
        EditEach(kSizeRectKind, 0, loaded.sizeRects);
        EditEach(kSolidLineKind, 2, loaded.solidLines);
        EditEach(kUturnLineKind, 4, loaded.uturnLines);
        EditEach(kChangeLineKind, 5, loaded.changeLines);
        for (size_t i = 0; i < loaded.laneLines.size(); ++i)
            Edit(kLaneKind, 2, static_cast<int32_t>(i), loaded.laneLines[i], loaded.laneDirections[i]);
        for (const int32_t kind : {kCalibrationKind, kCalibrationSearchKind, kZoomKind, kCheckLineKind, kCheckWidthKind})
            Edit(kind, 0, -1, loaded.calibrationPoints, {});
        LockFrame();
        ResetEditState();
        currentKind = kNoShape;
        checkLinePoints.clear();
        UnlockFrame();
    }

private:
    void EditEach(int32_t kind, int eventType, const ShapeList& shapes) {
        for (size_t i = 0; i < shapes.size(); ++i) Edit(kind, eventType, static_cast<int32_t>(i), shapes[i], {});
    }
    void Edit(int32_t kind, int eventType, int32_t index, const PointList& points, const PointList& direction) {
        SetEventType(eventType);
        for (const bool editing : {false, true}) {
            LockFrame();
            currentKind = kind;
            selectedIndex = index;
            editPoints = points;
            editDirection = direction;
            drawing = editing;
            if (IsCheckLineKind(kind)) {
                checkLinePoints = points;
                checkLineCountdown = 200;
            }
            UnlockFrame();
            Draw();
        }
    }
};

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
    fuzz_views::RunView<SettingView>().DrawLoaded(text);
    return 0;
}

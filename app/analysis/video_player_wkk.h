// The analytics setting view made for function type 2 when the control type is 10. It adds two
// area kinds that it keeps in lists of its own, out of reach of the setting view's drawing,
// selection and editing: stop areas (kind 104), laid down as a rectangle by two clicks and then
// reshaped by dragging their edges, and shield areas (kind 105), two-point lines drawn point by
// point. The JSON documents carry them as the setting view's "stoparea" and "sheildarea". Every
// other kind goes to the setting view unchanged.
//
// Threads as the setting view's: the frame lock guards both lists, the hide flags and the step.
#pragma once

#include "app/analysis/analysis_setting_player.h"
#include "app/analysis/wkk_params_json.h"

#include <cstdint>
#include <string>

class CVideoPlayerWkk : public CAnalysisSettingPlayer {
public:
    static constexpr int32_t kWkkStopAreaKind = 104;
    static constexpr int32_t kWkkShieldAreaKind = 105;
    static constexpr size_t kMaxAreas = kMaxWkkAreas;

    CVideoPlayerWkk(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CVideoPlayerWkk() override;

    void SetAnalyseParams(const std::string& json) override;
    std::string SaveAnalyseParams() override;
    void StartDraw(int kind) override;
    // For kinds 104 and 105, a non-zero flag hides that kind's areas (not drawn, not selectable).
    void SetAreaHideFlag(int kind, int hidden) override;
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) override;
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) override;
    void DrawOverlay() override;
    void GetPointLimits(int* minimum, int* maximum) override;
    void SaveCurrentShape() override;
    void DeleteCurrentShape() override;
    bool SelectShapeAt(const ShapePoint& point) override;

private:
    // Where a stop area being drawn stands.
    enum StopAreaStep : int32_t {
        kAwaitingFirstCorner = 0,
        kRubberBand = 1,
        kEdgesEditable = 2,
    };

    ShapeList* AreasOfKind(int32_t kind);
    // A press while a stop area is drawn: the first lays its first corner, the second lays the
    // rectangle down, later ones pick the edge to drag. Frame lock held.
    void PlaceStopArea(const ShapePoint& point);
    // Moves the selected edge of the stop area being drawn with the mouse; frame lock held.
    void DragEdge(FB::MouseMoveEvent* event);

    ShapeList stopAreas;
    ShapeList shieldAreas;
    int32_t stopAreasHidden = 0;
    int32_t shieldAreasHidden = 0;
    int32_t stopAreaStep = kAwaitingFirstCorner;
    PicturePoint pressPosition;  // window pixels of the last press
};

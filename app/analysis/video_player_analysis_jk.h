// The lane view ("SetFunction" type 4): on the live picture the user draws one monitor area (a
// closed polygon) and up to ten named lane lines (open polylines), edits their vertices with the
// mouse and a popup menu, marks each lane line as detected, not detected or decided by vehicle
// position, and the page reads and writes the whole set as JSON. A click on a shape tells the page
// "onclickArea" (group, place in the group).
//
// Threads: script calls, mouse and window messages on the main thread, drawing on the decode
// thread; the groups, the current shape and the edit mode are shared under the frame lock, which
// every operation below holds for its whole length (the popup menu is shown after it is released).
#pragma once

#include "app/analysis/poly_line_group.h"
#include "app/analysis/poly_line_jk.h"
#include "app/analysis/poly_line_menu.h"
#include "app/player/video_player.h"

#include <string>

class CVideoPlayerAnalysisJK : public CVideoPlayer {
public:
    // Group 0 holds the monitor area, group 1 the lane lines.
    static constexpr int kMonitorAreas = 0;
    static constexpr int kLaneLines = 1;
    static constexpr int kGroupCount = 2;
    static constexpr uint32_t kMostLaneLines = 10;
    // A shape's label holds at most this many bytes.
    static constexpr size_t kMostLabelBytes = 63;

    CVideoPlayerAnalysisJK(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CVideoPlayerAnalysisJK() override;

    void SetAnalyseParams(const std::string& json) override;
    std::string SaveAnalyseParams() override;
    // type 0 a monitor area, 1 a named lane line.
    void StartDrawWithName(const int& type, const std::string& name) override;
    void ModifySelectedPLName(const std::string& name) override;
    // The name of shape index (0-based) of group type (0 or 1); "" when there is none.
    std::string GetPLName(int type, int index) override;
    // type 1 the monitor areas, 2 the lane lines; shown exactly when hide is 0.
    void SetAreaHideFlag(int type, int hide) override;
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) override;
    bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) override;
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) override;
    void DrawOverlay() override;

    // "A<sequence number>" for a monitor area; the name, "<name>:Hide" or "<name>:Auto" for a lane
    // line by its label mode; cut to kMostLabelBytes at a character boundary.
    static std::string MakeShapeLabel(bool laneLine, const PolyLineJk& shape);

private:
    PolyLineJk* NewShape(int group);
    void RemoveUnfinishedShapes();
    void SelectShapeAt(const ShapePoint& point);
    void DeleteShape(PolyLineJk* shape);
    bool IsLaneLine(const PolyLine* shape) const { return shape && shape->group() == &groups_[kLaneLines]; }
    ShapeMenu BuildMenu(const ShapePoint& point);
    bool OnMenuCommand(UINT command) override;
    void RunMenuCommand(UINT command);
    void SetLabelMode(int32_t mode);

    ShapeGroup groups_[kGroupCount];
    PolyLineJk* current_ = nullptr;  // selected or being drawn; owned by its group
    bool editMode_ = false;
    ShapePoint insertionPoint_;
    MenuOffer menuOffer_;
};

// The named-area view ("SetFunction" type 3) and the base of its variants (types 7, 8 and 9): on
// the live picture the user draws named monitor, parking and unparking areas (closed polygons) and
// one named calibration rectangle, selects them by clicking or by name, edits their vertices with
// the mouse and a popup menu, hides whole groups, and the page reads and writes the whole set as
// JSON. The page hears of every click, save and deletion with the shape's type (1 to 5) and name,
// and of every left press on the picture with its picture point. Outside the shapes the view
// behaves as the base view, drag rectangle and region report included.
//
// Threads: script calls, mouse and window messages on the main thread, drawing on the decode
// thread; the groups, the current shape and the edit mode are shared under the frame lock, which
// every operation holds for its whole length (the popup menu is shown after it is released);
// events are fired with the lock held.
#pragma once

#include "app/analysis/poly_line_group.h"
#include "app/analysis/poly_line_json.h"
#include "app/analysis/poly_line_menu.h"
#include "app/player/video_player.h"

#include <string>
#include <vector>

class CVideoPlayerAnalysisOld : public CVideoPlayer {
public:
    enum Group {
        kMonitorAreas = 0,
        kParkingAreas = 1,
        kUnparkingAreas = 2,
        kCalibration = 3,  // one rectangle at most
        kFifthGroup = 4,   // the cross marks of the gun variant; unused by the others
    };
    static constexpr int kGroupCount = 5;
    // Drawing refuses a new area once its group holds this many.
    static constexpr uint32_t kMostAreas = 32;

    CVideoPlayerAnalysisOld(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CVideoPlayerAnalysisOld() override;

    void SetAnalyseParams(const std::string& json) override;
    std::string SaveAnalyseParams() override;
    // type 1 to 5; the shape is named name.
    void StartDrawWithName(const int& type, const std::string& name) override;
    // group is the group's own index (0 to 4), not a shape type.
    void selectObjByName(int group, const std::string& name) override;
    // type 1 to 5; the group of that type is shown exactly when hide is 0.
    void SetAreaHideFlag(int type, int hide) override;
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) override;
    bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) override;
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) override;
    void DrawOverlay() override;

    // Operations of the family, in the order the variants override them.
    virtual void AddMenuItems(ShapeMenu& menu);
    virtual void SelectShapeAt(const ShapePoint& point);
    // Shapes never finished (areas of fewer than two points, marks without a point) are reported
    // deleted and go, except the current shape.
    virtual void RemoveUnfinishedShapes();
    // Each reports the shape with its type and name; a shape the view does not hold is ignored.
    virtual void DeleteShape(PolyLine* shape);
    virtual void SaveShape(PolyLine* shape);
    virtual void ClickShape(PolyLine* shape);

    // The group of shape type 1 to 5, or -1; the type group g reports.
    static int GroupOfType(int type);
    static int TypeOfGroup(int group);

protected:
    // The group holding the shape, or -1.
    int GroupOf(const PolyLine* shape) const;
    // A new shape of the group named name, appended to it.
    PolyLine* NewShape(int group, const std::string& name);
    // Reports the shape being drawn as saved, then makes a new shape of the group the current one,
    // in edit mode.
    void BeginShape(int group, const std::string& name);
    // The view's right-click menu: AddMenuItems, then the current shape's items.
    virtual ShapeMenu BuildMenu(const ShapePoint& point);
    void ShowMenu(const ShapeMenu& menu, int x, int y);
    bool OnMenuCommand(UINT command) override;
    void RunMenuCommand(UINT command);
    // Groups 0 to 3 as they are shown.
    void DrawAreas();
    // A plus sign: four lines of kPlusArm pixels from the centre.
    void DrawPlus(const ShapePoint& centre, const DrawColour& colour);
    static constexpr float kPlusArm = 20.0f;
    std::vector<ShapeGroupKeys> DocumentKeys() const;

    // The gun variants keep a still picture: playback starts paused on its first picture, and the
    // menu's refresh replaces it by the newest one.
    int StartStill();
    void RefreshStill();

    ShapeGroup groups_[kGroupCount];
    PolyLine* current_ = nullptr;  // selected or being drawn; owned by its group
    bool editMode_ = false;
    ShapePoint insertionPoint_;
    MenuOffer menuOffer_;
};

// The view of function type 2: the live picture with the traffic-analytics set-up drawn over it.
// The page's user draws, selects, drags, saves, hides and deletes the shapes with the mouse and a
// popup menu, zooms the picture and finds a printed chessboard for the calibration; the page hears
// of every selection, save and delete through the area events and reads and writes the shapes as
// JSON. The decoder's thread burns the shapes into every picture.
//
// Threads: script calls, mouse input and window messages on the main thread; the chessboard search
// and the overlay on the decode thread. The frame lock guards every shape list and all editing
// state; area events are fired while it is held.
#pragma once

#include "app/analysis/analysis_shapes.h"
#include "app/analysis/popup_menu.h"
#include "app/analysis/target_boxes.h"
#include "app/player/video_player.h"
#include "app/render/text_renderer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAnalysisSettingPlayer : public CVideoPlayer {
public:
    CAnalysisSettingPlayer(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CAnalysisSettingPlayer() override;

    // Replaces every shape with those of the document; text that is not JSON changes nothing.
    void SetAnalyseParams(const std::string& json) override;
    // Drops the shape being edited and answers every stored shape as JSON.
    std::string SaveAnalyseParams() override;
    // Begins a shape of the kind (1 to 12), or refuses silently when the kind's list is full or its
    // precondition does not hold; kind 11 switches the zoom off when it is on.
    void StartDraw(int kind) override;
    // Hides (1) or shows (0) a group (0 to 7); the shape being edited in it is dropped either way.
    void SetAreaHideFlag(int group, int hidden) override;
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) override;
    bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) override;
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) override;
    // Runs the popup menu's commands (WM_COMMAND); other messages go to the base view.
    // Command 1 searches the chessboard; the others are the base view's.
    bool RunFrameCommand(const FrameCommand& command) override;
    void DrawOverlay() override;

    // The point bounds of the current kind.
    virtual void GetPointLimits(int* minimum, int* maximum);
    // Stores the shape being edited (a new one is appended, a selected one replaced) and ends the
    // edit; the zoom rectangle takes effect, the calibration quadrilateral is kept.
    virtual void SaveCurrentShape();
    // Removes the selected shape from its list and ends the edit; a shape being drawn is dropped.
    virtual void DeleteCurrentShape();
    // Selects the first shape under the point, in the groups' order of priority; frame lock held.
    virtual bool SelectShapeAt(const ShapePoint& point);

    // Ends the edit without storing anything.
    void CancelCurrentShape();
    void RemoveLastPoint();
    void ResumeEditing();
    void ToggleZoom();
    // The values of "SetEventType" (below 6), "SetTargetWidth" (1 or more) and "OpenMesh".
    void SetEventType(int type);
    void SetTargetWidth(int width);
    void OpenMesh(int on, int spacing);
    // From the calibration quadrilateral standing for a width x height rectangle, the two target-size
    // boxes at minPermille and maxPermille of the size range, shown for 70 pictures.
    void SetTargetSize(int minPermille, int maxPermille, float width, float height);
    // The check line of kinds 3 and 9 with the calibration as JSON, or "" without a whole line.
    std::string BuildCheckLineJson();

protected:
    struct PicturePoint {
        int32_t x = 0;
        int32_t y = 0;
    };
    // A popup menu item: command id, text, greyed.
    using MenuItem = PopupMenuItem;
    // How a group of shapes is drawn: its kind, stored colour and fewest points, closed or open, its
    // labels (the prefix numbered from 1, entries of them), and where a label sits on the first
    // segment's midpoint: above it (y - 2s / 3), or below it shifted left by (len - labelShift) x s / 2.
    struct GroupStyle {
        int32_t kind;
        DrawColour colour;
        size_t minimum;
        bool closed;
        const char* labelPrefix;
        int labelEntries;
        bool labelAbove;
        int labelShift;
    };

    // Reads a parameters document without touching the view; false when the text is not JSON.
    static bool ReadParams(const std::string& json, AnalysisShapes* read);
    // Puts the read shapes in place of the stored ones and drops any edit; frame lock held.
    void ReplaceShapes(AnalysisShapes read);
    // Every stored shape, for writing; frame lock held.
    const AnalysisShapes& StoredShapes() const { return shapes; }
    // Empties the edit lists and the selection and ends drawing; the kind stays. Frame lock held.
    void ResetEditState();
    // The mouse position in picture pixels (zoom considered), truncated toward zero.
    PicturePoint PictureCoordinates(int windowX, int windowY) const;
    ShapePoint ClampToPicture(float x, float y) const;
    // The right button's menu for the point; empty for none. Frame lock held.
    std::vector<MenuItem> MenuAt(const ShapePoint& point);
    // Shows the menu modally at the window point, without the frame lock held.
    void ShowMenu(const std::vector<MenuItem>& items, int windowX, int windowY);
    bool OnMenuCommand(UINT command) override;
    void RunMenuCommand(UINT id);
    // What the last menu offered, and the edit it was offered for.
    struct MenuOffer {
        std::vector<UINT> commands;  // the enabled items
        int32_t kind = 0;
        int32_t index = -1;
        bool drawing = false;
        size_t points = 0;
        size_t directionPoints = 0;
        bool open = false;
    };
    void RememberMenu(const std::vector<MenuItem>& items);
    // True once for a command the last menu offered while the edit is still the one it was offered
    // for: a script call or the decoder may change the edit while the menu shows without the lock.
    bool TakeOfferedCommand(UINT id);
    bool ZoomInForce() const { return zoomPoints.size() >= 2; }
    void ApplyZoomRect();
    void RunCalibration();
    void FireSaveArea(int kind, int index);
    void FireDeleteArea(int kind, int index);
    void FireClickArea(int kind, int index);

    // Overlay (decode thread, frame lock held).
    void DrawShapes();
    // The group's stored shapes and a selected one in red; true when one of its kind is being drawn.
    bool DrawStoredGroup(const ShapeList& list, const GroupStyle& style);
    void DrawPolygonGroup(const ShapeList& list, const GroupStyle& style);
    void DrawLineGroup(const ShapeList& list, const GroupStyle& style);
    void DrawCalibration();
    void DrawLanes();
    void DrawSizeRects();
    // The target hints' text is smaller than the labels: drawn by a renderer of its own, so that
    // neither renderer loads its font again at another size for every picture.
    void DrawHintText(int x, int y, const char* text, const DrawColour& colour);
    void MakeHintText();
    void DrawTargetSquare();
    void DrawTargetBoxes();
    void DrawCheckLine();
    void DrawMesh();
    void DrawZoomRect();
    float MeasureDistance(float x1, float y1, float x2, float y2, bool* measured);
    int TextSize() const;
    void DrawLabel(const std::string& label, float x, float y, const DrawColour& colour);
    // The group's label for the shape at index, placed on the segment a-b.
    void DrawGroupLabel(const GroupStyle& style, int index, const ShapePoint& a, const ShapePoint& b,
                        const DrawColour& colour);
    // The outline with the group's label written after its first segment.
    void DrawLabelledShape(const PointList& points, const GroupStyle& style, int index, const DrawColour& colour);
    void DrawOutline(const PointList& points, bool closed, const DrawColour& colour);
    void DrawMarker(const ShapePoint& point, const DrawColour& colour);
    void DrawMarkedSegments(const PointList& points, bool markers);
    void DrawDragRectangle(const PointList& points, const DrawColour& colour);
    void DrawLane(const PointList& outline, const PointList& direction, const GroupStyle& lanes, int index,
                  const DrawColour& colour);
    void DrawCalibrationLabels(const PointList& points, const DrawColour& colour);
    ShapePoint MousePoint() const {
        return ShapePoint{static_cast<float>(lastMouse.x), static_cast<float>(lastMouse.y)};
    }

    PicturePoint lastMouse;
    int32_t targetWidth = 0;
    int32_t targetCountdown = 0;
    TargetBox minTargetBox;
    TargetBox maxTargetBox;
    int32_t targetBoxCountdown = 0;
    std::array<bool, 8> hideFlags{};
    bool drawing = false;
    int32_t eventType = 0;
    int32_t currentKind = 0;
    int32_t selectedIndex = -1;
    int32_t dragSegment = 0;
    int32_t dragVertex = 0;
    AnalysisShapes shapes;  // the calibration and every group
    PointList editPoints;
    PointList editDirection;
    PointList checkLinePoints;
    PointList zoomPoints;
    int32_t checkLineCountdown = 0;
    float calibWidth = 0.0f;
    float calibHeight = 0.0f;
    int32_t meshOn = 0;
    int32_t meshSpacing = 80;
    std::unique_ptr<TextRenderer> hintText;  // made with the first hint, on the main thread
    MenuOffer menuOffer;
};

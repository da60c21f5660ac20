#include "app/analysis/video_player_wkk.h"

#include "app/analysis/wkk_params_json.h"
#include "app/analysis/shape_kind.h"
#include "app/util/critical_section_hold.h"
#include "host/events/mouse_events.h"
#include "platform/window/win_input.h"

#include <algorithm>
#include <utility>

namespace {

// An edge may not bring a corner this close to the right or bottom of the picture.
constexpr float kEdgeMargin = 10.0f;

bool ValidIndex(int32_t index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

}  // namespace

CVideoPlayerWkk::CVideoPlayerWkk(VeltrinAPI* owner, FB::PluginWindow* window) : CAnalysisSettingPlayer(owner, window) {}

// The decode thread draws these areas until the view has stopped.
CVideoPlayerWkk::~CVideoPlayerWkk() { Shutdown(); }

ShapeList* CVideoPlayerWkk::AreasOfKind(int32_t kind) {
    if (kind == kWkkStopAreaKind) return &stopAreas;
    if (kind == kWkkShieldAreaKind) return &shieldAreas;
    return nullptr;
}

// The areas are taken over only from a document that was read.
void CVideoPlayerWkk::SetAnalyseParams(const std::string& json) {
    AnalysisShapes read;
    WkkAreas areas;
    if (!ReadWkkParams(json, &read, &areas)) return;
    CriticalSectionHold hold(frameLock_);
    stopAreas = std::move(areas.stopAreas);
    shieldAreas = std::move(areas.shieldAreas);
    ReplaceShapes(std::move(read));
    if (!stopAreas.empty()) stopAreaStep = kEdgesEditable;
}

// The document's stop and shield areas are this view's; the setting view's own lists of those
// groups (filled only by its kinds 1 and 4) are not written and end empty, as after a load.
std::string CVideoPlayerWkk::SaveAnalyseParams() {
    AnalysisShapes stored;
    WkkAreas areas;
    {
        CriticalSectionHold hold(frameLock_);
        ResetEditState();
        shapes.stopAreas.clear();
        shapes.shieldAreas.clear();
        stored = StoredShapes();
        areas = WkkAreas{stopAreas, shieldAreas};
    }
    return WriteWkkParams(std::move(stored), areas);
}

void CVideoPlayerWkk::StartDraw(int kind) {
    ShapeList* areas = AreasOfKind(kind);
    if (areas == nullptr) {
        CAnalysisSettingPlayer::StartDraw(kind);
        return;
    }
    CriticalSectionHold hold(frameLock_);
    if (areas->size() >= kMaxAreas) return;
    if (kind == kWkkStopAreaKind) stopAreaStep = kAwaitingFirstCorner;
    selectedIndex = static_cast<int32_t>(areas->size());
    editPoints.clear();
    editDirection.clear();
    checkLinePoints.clear();
    currentKind = kind;
    drawing = true;
}

void CVideoPlayerWkk::SetAreaHideFlag(int kind, int hidden) {
    if (AreasOfKind(kind) == nullptr) {
        CAnalysisSettingPlayer::SetAreaHideFlag(kind, hidden);
        return;
    }
    CriticalSectionHold hold(frameLock_);
    if (currentKind == kind) {
        drawing = false;
        editPoints.clear();
        currentKind = kNoShape;
    }
    (kind == kWkkStopAreaKind ? stopAreasHidden : shieldAreasHidden) = hidden;
}

void CVideoPlayerWkk::GetPointLimits(int* minimum, int* maximum) {
    if (currentKind == kWkkStopAreaKind) {
        *minimum = 3;
        *maximum = 4;
    } else if (currentKind == kWkkShieldAreaKind) {
        *minimum = 2;
        *maximum = 2;
    } else {
        CAnalysisSettingPlayer::GetPointLimits(minimum, maximum);
    }
}

bool CVideoPlayerWkk::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) {
    if (!AcceptsPointer()) return false;
    const PicturePoint at = PictureCoordinates(event->m_x, event->m_y);
    {
        CriticalSectionHold hold(frameLock_);
        pressPosition = PicturePoint{event->m_x, event->m_y};
        if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Left && drawing && currentKind == kWkkStopAreaKind) {
            lastMouse = at;
            PlaceStopArea(ClampToPicture(static_cast<float>(at.x), static_cast<float>(at.y)));
            return true;
        }
    }
    // Without the lock: the setting view's menu is shown with the lock released.
    return CAnalysisSettingPlayer::onMouseDown(event, window);
}

void CVideoPlayerWkk::PlaceStopArea(const ShapePoint& point) {
    switch (stopAreaStep) {
        case kAwaitingFirstCorner:
            stopAreaStep = kRubberBand;
            break;
        case kRubberBand:
            stopAreaStep = kEdgesEditable;
            break;
        default:
            dragSegment = FindSegmentAt(point, editPoints);
            if (dragSegment == 0 && editPoints.size() > 2 &&
                FindSegmentAt(point, PointList{editPoints.back(), editPoints.front()}) > 0) {
                dragSegment = static_cast<int32_t>(editPoints.size());
            }
            break;
    }
}

bool CVideoPlayerWkk::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) {
    if (!AcceptsPointer()) return false;
    CriticalSectionHold hold(frameLock_);
    const bool drawingStopArea = drawing && currentKind == kWkkStopAreaKind;
    if (drawingStopArea && stopAreaStep == kRubberBand) {
        const PicturePoint at = PictureCoordinates(event->m_x, event->m_y);
        const float x1 = static_cast<float>(std::min(lastMouse.x, at.x));
        const float x2 = static_cast<float>(std::max(lastMouse.x, at.x));
        const float y1 = static_cast<float>(std::min(lastMouse.y, at.y));
        const float y2 = static_cast<float>(std::max(lastMouse.y, at.y));
        editPoints = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
        return true;
    }
    if (drawingStopArea && dragSegment >= 1 && GetKeyState(VK_LBUTTON) < 0) {
        DragEdge(event);
        return true;
    }
    return CAnalysisSettingPlayer::onMouseMove(event, window);
}

// The top and bottom edges (1 and 3 of the laid-down rectangle) move only up and down. A move that
// would take a corner out of the picture's margins is refused.
void CVideoPlayerWkk::DragEdge(FB::MouseMoveEvent* event) {
    const size_t count = editPoints.size();
    if (static_cast<size_t>(dragSegment) > count) return;
    const bool vertical = dragSegment == 1 || dragSegment == 3;
    const PicturePoint at = PictureCoordinates(vertical ? pressPosition.x : event->m_x, event->m_y);
    const float dx = static_cast<float>(int64_t{at.x} - lastMouse.x);
    const float dy = static_cast<float>(int64_t{at.y} - lastMouse.y);
    ShapePoint& a = editPoints[static_cast<size_t>(dragSegment - 1)];
    ShapePoint& b = editPoints[static_cast<size_t>(dragSegment) % count];
    const float maxX = static_cast<float>(width_) - kEdgeMargin;
    const float maxY = static_cast<float>(height_) - kEdgeMargin;
    auto inside = [&](const ShapePoint& p) { return p.x > 0.0f && p.x < maxX && p.y > 0.0f && p.y < maxY; };
    const ShapePoint movedA{a.x + dx, a.y + dy};
    const ShapePoint movedB{b.x + dx, b.y + dy};
    if (!inside(movedA) || !inside(movedB)) return;
    a = movedA;
    b = movedB;
    lastMouse = at;
}

bool CVideoPlayerWkk::SelectShapeAt(const ShapePoint& point) {
    auto select = [&](int32_t kind, size_t index, const PointList& points) {
        editDirection.clear();
        checkLinePoints.clear();
        selectedIndex = static_cast<int32_t>(index);
        editPoints = points;
        currentKind = kind;
        FireClickArea(kind, selectedIndex);
        return true;
    };
    if (shieldAreasHidden == 0) {
        for (size_t i = 0; i < shieldAreas.size(); ++i) {
            if (FindSegmentAt(point, shieldAreas[i]) > 0) return select(kWkkShieldAreaKind, i, shieldAreas[i]);
        }
    }
    if (stopAreasHidden == 0) {
        for (size_t i = 0; i < stopAreas.size(); ++i) {
            if (PointInPolygon(point, stopAreas[i])) return select(kWkkStopAreaKind, i, stopAreas[i]);
        }
    }
    return CAnalysisSettingPlayer::SelectShapeAt(point);
}

// A selected area is replaced in place; a new one, or one edited without a valid index, is
// appended while there is room.
void CVideoPlayerWkk::SaveCurrentShape() {
    ShapeList* areas = AreasOfKind(currentKind);
    if (areas == nullptr) {
        CAnalysisSettingPlayer::SaveCurrentShape();
        return;
    }
    const bool replace = ValidIndex(selectedIndex, areas->size());
    if (!replace) selectedIndex = static_cast<int32_t>(areas->size());
    if (replace || areas->size() < kMaxAreas) {
        FireSaveArea(currentKind, selectedIndex);
        if (replace) {
            (*areas)[static_cast<size_t>(selectedIndex)] = editPoints;
        } else {
            areas->push_back(editPoints);
        }
    }
    CancelCurrentShape();
}

void CVideoPlayerWkk::DeleteCurrentShape() {
    ShapeList* areas = AreasOfKind(currentKind);
    if (areas == nullptr) {
        CAnalysisSettingPlayer::DeleteCurrentShape();
        return;
    }
    if (ValidIndex(selectedIndex, areas->size())) {
        FireDeleteArea(currentKind, selectedIndex);
        areas->erase(areas->begin() + selectedIndex);
    }
    CancelCurrentShape();
}

void CVideoPlayerWkk::DrawOverlay() {
    static const GroupStyle stops{kWkkStopAreaKind, DrawColour{0, 255, 0}, 3, true, "A", 15, false, 0};
    static const GroupStyle shields{kWkkShieldAreaKind, DrawColour{0, 255, 0}, 2, false, "C", 15, false, 0};
    if (stopAreasHidden == 0) DrawPolygonGroup(stopAreas, stops);
    if (shieldAreasHidden == 0) DrawPolygonGroup(shieldAreas, shields);
    CAnalysisSettingPlayer::DrawOverlay();
}

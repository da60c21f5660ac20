// The setting view's editing machine: starting a shape by kind, the mouse, hit-testing, saving,
// deleting and hiding. Main thread; every step holds the frame lock.
#include "app/analysis/analysis_setting_player.h"

#include "app/analysis/saturating_conversion.h"
#include "app/analysis/shape_kind.h"
#include "app/util/critical_section_hold.h"
#include "host/events/mouse_events.h"
#include "platform/window/win_input.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace {

// Frames a finished check line stays on the picture.
constexpr int32_t kCheckLineShownPictures = 200;

// The list a kind's shapes are stored in, or null for kinds kept elsewhere.
ShapeList* ListOfKind(AnalysisShapes& shapes, int kind) {
    switch (kind) {
        case kShieldAreaKind:
            return &shapes.shieldAreas;
        case kStopAreaKind:
            return &shapes.stopAreas;
        case kLaneKind:
        case kLaneDirectionKind:
            return &shapes.laneLines;
        case kSolidLineKind:
            return &shapes.solidLines;
        case kUturnLineKind:
            return &shapes.uturnLines;
        case kChangeLineKind:
            return &shapes.changeLines;
        case kSizeRectKind:
            return &shapes.sizeRects;
        default:
            return nullptr;
    }
}

size_t CapOfKind(int kind) {
    switch (kind) {
        case kShieldAreaKind:
            return kMaxShieldAreas;
        case kSizeRectKind:
            return kMaxSizeRects;
        default:
            return kMaxGroupShapes;
    }
}

// The rectangle through the first and last points of a two-corner shape, as a polygon.
PointList RectanglePolygon(const PointList& corners) {
    if (corners.empty()) return {};
    const ShapePoint& a = corners.front();
    const ShapePoint& b = corners.back();
    return {{a.x, a.y}, {a.x, b.y}, {b.x, b.y}, {b.x, a.y}};
}

bool ValidIndex(int32_t index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

void MoveClamped(ShapePoint& point, int dx, int dy, float maxX, float maxY) {
    point.x = std::clamp(point.x + static_cast<float>(dx), 0.0f, maxX);
    point.y = std::clamp(point.y + static_cast<float>(dy), 0.0f, maxY);
}

}  // namespace

CAnalysisSettingPlayer::PicturePoint CAnalysisSettingPlayer::PictureCoordinates(int windowX, int windowY) const {
    float sx = 0.0f;
    float sy = 0.0f;
    GetScaleFactors(&sx, &sy);
    const float originX = zoomOn_ ? static_cast<float>(zoomX_) : 0.0f;
    const float originY = zoomOn_ ? static_cast<float>(zoomY_) : 0.0f;
    return PicturePoint{SaturatingInt(static_cast<float>(windowX) * sx + originX),
                        SaturatingInt(static_cast<float>(windowY) * sy + originY)};
}

ShapePoint CAnalysisSettingPlayer::ClampToPicture(float x, float y) const {
    return ShapePoint{std::clamp(x, 0.0f, static_cast<float>(width_)),
                      std::clamp(y, 0.0f, static_cast<float>(shownHeight()))};
}

void CAnalysisSettingPlayer::StartDraw(int kind) {
    assert(OnOwnerThread());
    if (kind >= kSizeRectKind) return;
    CriticalSectionHold hold(frameLock_);
    switch (kind) {
        case kShieldAreaKind:
        case kStopAreaKind:
        case kLaneKind:
        case kSolidLineKind:
        case kUturnLineKind:
        case kChangeLineKind: {
            const ShapeList* list = ListOfKind(shapes, kind);
            if (list->size() >= CapOfKind(kind)) return;
            selectedIndex = static_cast<int32_t>(list->size());
            break;
        }
        case kCalibrationKind:
            if (!shapes.calibrationPoints.empty()) return;
            break;
        case kCheckLineKind:
        case kCheckWidthKind:
            if (shapes.calibrationPoints.size() < 4) return;
            break;
        case kLaneDirectionKind:
            if (currentKind != kLaneKind || !drawing || editPoints.size() < 4) return;
            editDirection.clear();
            currentKind = kLaneDirectionKind;
            return;
        case kZoomKind:
            if (ZoomInForce()) {
                zoomPoints.clear();
                editPoints.clear();
                editDirection.clear();
                checkLinePoints.clear();
                currentKind = kNoShape;
                drawing = false;
                SetZoomRect(false, 0, 0, width_, height_);
                return;
            }
            zoomPoints.clear();
            SetZoomRect(false, 0, 0, width_, height_);
            break;
        case kCalibrationSearchKind:
            shapes.calibrationPoints.clear();
            break;
        default:  // 0 or less
            break;
    }
    editPoints.clear();
    editDirection.clear();
    checkLinePoints.clear();
    drawing = true;
    currentKind = kind;
}

bool CAnalysisSettingPlayer::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow*) {
    assert(OnOwnerThread());
    if (!AcceptsPointer()) return false;
    const PicturePoint at = PictureCoordinates(event->m_x, event->m_y);
    const ShapePoint point = ClampToPicture(static_cast<float>(at.x), static_cast<float>(at.y));
    if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Right) {
        std::vector<MenuItem> menu;
        {
            CriticalSectionHold hold(frameLock_);
            lastMouse = at;
            menu = MenuAt(point);
        }
        if (menu.empty()) return false;
        // Shown without the frame lock: the decoder and a restart never wait on the menu.
        ShowMenu(menu, event->m_x, event->m_y);
        return true;
    }
    CriticalSectionHold hold(frameLock_);
    lastMouse = at;
    if (event->m_Btn != FB::MouseButtonEvent::MouseButton_Left) return true;
    if (!drawing) {
        SelectShapeAt(point);
        return true;
    }
    if (IsCheckLineKind(currentKind)) {
        checkLineCountdown = kCheckLineShownPictures;
        if (checkLinePoints.size() >= 2) checkLinePoints.clear();  // a third click starts a new line
        checkLinePoints.push_back(point);
        return true;
    }
    if (currentKind == kLaneDirectionKind) {
        editDirection.push_back(point);
        if (editDirection.size() >= 2) currentKind = kLaneKind;  // the lane is ready to save
        return true;
    }
    int minimum = 0;
    int maximum = 0;
    GetPointLimits(&minimum, &maximum);
    const size_t count = editPoints.size();
    if (count < static_cast<size_t>(std::max(minimum, 0))) {
        editPoints.push_back(point);
        return true;
    }
    dragVertex = FindPointAt(point, editPoints);
    if (dragVertex > 0) return true;
    dragSegment = FindSegmentAt(point, editPoints);
    if (dragSegment > 0) return true;
    if (IsClosedKind(currentKind) && count >= 2 &&
        FindSegmentAt(point, PointList{editPoints.back(), editPoints.front()}) > 0) {
        dragSegment = static_cast<int32_t>(count);
        return true;
    }
    if (count < static_cast<size_t>(std::max(maximum, 0))) editPoints.push_back(point);
    return true;
}

bool CAnalysisSettingPlayer::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow*) {
    assert(OnOwnerThread());
    if (!AcceptsPointer()) return false;
    const PicturePoint at = PictureCoordinates(event->m_x, event->m_y);
    CriticalSectionHold hold(frameLock_);
    if (!drawing) return true;
    const int dx = static_cast<int>(std::clamp<int64_t>(int64_t{at.x} - lastMouse.x, -65536, 65536));
    const int dy = static_cast<int>(std::clamp<int64_t>(int64_t{at.y} - lastMouse.y, -65536, 65536));
    const bool buttonDown = GetKeyState(VK_LBUTTON) < 0;
    const float maxX = static_cast<float>(width_);
    const float maxY = static_cast<float>(shownHeight());
    const size_t count = editPoints.size();
    if (dragVertex >= 1) {
        if (!buttonDown) {
            dragVertex = 0;
        } else if (static_cast<size_t>(dragVertex) <= count) {
            MoveClamped(editPoints[static_cast<size_t>(dragVertex - 1)], dx, dy, maxX, maxY);
        }
    } else if (dragSegment > 0) {
        if (!buttonDown) {
            dragSegment = 0;
        } else if (static_cast<size_t>(dragSegment) <= count) {
            MoveClamped(editPoints[static_cast<size_t>(dragSegment - 1)], dx, dy, maxX, maxY);
            if (count > 1) MoveClamped(editPoints[static_cast<size_t>(dragSegment) % count], dx, dy, maxX, maxY);
        }
    }
    lastMouse = at;
    return true;
}

bool CAnalysisSettingPlayer::onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow*) {
    assert(OnOwnerThread());
    if (!playing_) return false;
    if (event->m_Btn != FB::MouseButtonEvent::MouseButton_Left) return true;
    CriticalSectionHold hold(frameLock_);
    if (IsCheckLineKind(currentKind)) checkLineCountdown = kCheckLineShownPictures;
    dragSegment = 0;
    dragVertex = 0;
    if (currentKind == kZoomKind && editPoints.size() >= 2) {
        SaveCurrentShape();  // the zoom takes effect at once
    } else if (currentKind == kCalibrationSearchKind && editPoints.size() >= 2) {
        frameCommands_.push_back(FrameCommand{kFrameCommandCalibrate, 0});
    }
    return true;
}

bool CAnalysisSettingPlayer::SelectShapeAt(const ShapePoint& point) {
    editDirection.clear();
    editPoints.clear();
    checkLinePoints.clear();
    selectedIndex = -1;
    currentKind = kNoShape;
    auto select = [&](int kind, int index, const PointList& points) {
        selectedIndex = index;
        editPoints = points;
        currentKind = kind;
        FireClickArea(kind, index);
        return true;
    };
    auto hidden = [&](int kind) { return hideFlags[static_cast<size_t>(GroupOfKind(kind))]; };
    if (!hidden(kShieldAreaKind)) {
        for (size_t i = 0; i < shapes.shieldAreas.size(); ++i) {
            if (PointInPolygon(point, shapes.shieldAreas[i])) {
                return select(kShieldAreaKind, static_cast<int>(i), shapes.shieldAreas[i]);
            }
        }
    }
    if (!hidden(kCalibrationKind) && PointInPolygon(point, shapes.calibrationPoints)) {
        return select(kCalibrationKind, -1, shapes.calibrationPoints);
    }
    if (eventType == 0) {
        if (!hidden(kStopAreaKind)) {
            for (size_t i = 0; i < shapes.stopAreas.size(); ++i) {
                if (PointInPolygon(point, shapes.stopAreas[i])) {
                    return select(kStopAreaKind, static_cast<int>(i), shapes.stopAreas[i]);
                }
            }
        }
        if (!hidden(kSizeRectKind)) {
            for (size_t i = 0; i < shapes.sizeRects.size(); ++i) {
                if (PointInPolygon(point, RectanglePolygon(shapes.sizeRects[i]))) {
                    return select(kSizeRectKind, static_cast<int>(i), shapes.sizeRects[i]);
                }
            }
        }
        return false;
    }
    if (!hidden(kLaneKind)) {
        const size_t lanes = std::min(shapes.laneLines.size(), shapes.laneDirections.size());
        for (size_t i = 0; i < lanes; ++i) {
            if (PointInPolygon(point, shapes.laneLines[i])) {
                select(kLaneKind, static_cast<int>(i), shapes.laneLines[i]);
                editDirection = shapes.laneDirections[i];
                return true;
            }
        }
    }
    const int lineKind = eventType == 2   ? kSolidLineKind
                         : eventType == 4 ? kUturnLineKind
                         : eventType == 5 ? kChangeLineKind
                                          : kNoShape;
    if (lineKind == kNoShape || hidden(lineKind)) return false;
    const ShapeList& lines = *ListOfKind(shapes, lineKind);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (FindSegmentAt(point, lines[i]) > 0) return select(lineKind, static_cast<int>(i), lines[i]);
    }
    return false;
}

// A selected shape is replaced in place; a new one is appended while its list has room. Without a
// valid index (an edit begun after a load or a save) the shape counts as new.
void CAnalysisSettingPlayer::SaveCurrentShape() {
    const int kind = currentKind == kLaneDirectionKind ? static_cast<int>(kLaneKind) : currentKind;
    ShapeList* list = ListOfKind(shapes, kind);
    if (list != nullptr) {
        const bool replace = ValidIndex(selectedIndex, list->size());
        if (!replace) selectedIndex = static_cast<int32_t>(list->size());
        if (replace || list->size() < CapOfKind(kind)) {
            FireSaveArea(kind, selectedIndex);
            const size_t index = static_cast<size_t>(selectedIndex);
            if (replace) {
                (*list)[index] = editPoints;
            } else {
                list->push_back(editPoints);
            }
            if (kind == kLaneKind) {
                if (replace && index < shapes.laneDirections.size()) {
                    shapes.laneDirections[index] = editDirection;
                } else if (!replace) {
                    shapes.laneDirections.push_back(editDirection);
                }
            }
        }
    } else if (kind == kCalibrationKind) {
        shapes.calibrationPoints = editPoints;
    } else if (kind == kZoomKind) {
        zoomPoints = editPoints;
        ApplyZoomRect();
    }
    CancelCurrentShape();
}

void CAnalysisSettingPlayer::DeleteCurrentShape() {
    const int kind = currentKind == kLaneDirectionKind ? static_cast<int>(kLaneKind) : currentKind;
    ShapeList* list = ListOfKind(shapes, kind);
    if (list != nullptr) {
        if (ValidIndex(selectedIndex, list->size())) {
            FireDeleteArea(kind, selectedIndex);
            list->erase(list->begin() + selectedIndex);
            if (kind == kLaneKind && ValidIndex(selectedIndex, shapes.laneDirections.size())) {
                shapes.laneDirections.erase(shapes.laneDirections.begin() + selectedIndex);
            }
        }
    } else if (kind == kCalibrationKind) {
        shapes.calibrationPoints.clear();
    } else if (IsCheckLineKind(kind)) {
        checkLinePoints.clear();
    } else if (kind == kZoomKind) {
        zoomPoints.clear();
        SetZoomRect(false, 0, 0, 0, 0);
    }
    CancelCurrentShape();
}

// Ends the edit: nothing selected, nothing being drawn, no current kind. Stored shapes stay.
void CAnalysisSettingPlayer::CancelCurrentShape() {
    drawing = false;
    selectedIndex = -1;
    editPoints.clear();
    editDirection.clear();
    checkLinePoints.clear();
    currentKind = kNoShape;
}

void CAnalysisSettingPlayer::RemoveLastPoint() {
    PointList& points = currentKind == kLaneDirectionKind ? editDirection
                        : IsCheckLineKind(currentKind)    ? checkLinePoints
                                                          : editPoints;
    if (!points.empty()) points.pop_back();
}

void CAnalysisSettingPlayer::ResumeEditing() { drawing = true; }

void CAnalysisSettingPlayer::ToggleZoom() { StartDraw(kZoomKind); }

void CAnalysisSettingPlayer::SetAreaHideFlag(int group, int hidden) {
    if (group < 0 || group > 7 || (hidden != 0 && hidden != 1)) return;
    CriticalSectionHold hold(frameLock_);
    if (GroupOfKind(currentKind) == group) {
        drawing = false;
        editPoints.clear();
        editDirection.clear();
        checkLinePoints.clear();
        currentKind = kNoShape;
    }
    hideFlags[static_cast<size_t>(group)] = hidden == 1;
}

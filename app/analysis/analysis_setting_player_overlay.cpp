// The setting view's overlay, burnt into every decoded picture on the decode thread with the frame
// lock held: the stored shapes in their colours with their labels, the shape being edited in red
// with its vertex markers and rubber band, the check line with its measured distance, the target
// hints, the mesh and the zoom rectangle being dragged.
#include "app/analysis/analysis_setting_player.h"

#include "app/analysis/clamp_rect.h"
#include "app/analysis/ground_plane_transform.h"
#include "app/analysis/shape_kind.h"
#include "app/api/veltrin_api.h"
#include "app/render/drawing_coordinate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

// Line colours are written as Y, U and V; text colours are read as red, green and blue.
const DrawColour kRed{255, 0, 0};
const DrawColour kBlue{0, 0, 255};
const DrawColour kGreen{0, 255, 0};
const DrawColour kYellow{255, 255, 0};
const DrawColour kMagenta{255, 0, 255};

constexpr int kMarkerSide = 24;
// The control type whose calibration quadrilateral carries no labels.
constexpr int kUnlabelledCalibrationControl = 4;
// "宽" (width) and "长" (length) in the ANSI code page (GBK).
constexpr const char* kWidthLabel = "\xBF\xED";
constexpr const char* kLengthLabel = "\xB3\xA4";
constexpr int kMeshTop = 8;

ShapePoint Midpoint(const ShapePoint& a, const ShapePoint& b) { return {(a.x + b.x) / 2.0f, (a.y + b.y) / 2.0f}; }

// The rectangle through two corners: (x1, y1), (x1, y2), (x2, y2), (x2, y1).
PointList Rectangle(const ShapePoint& a, const ShapePoint& b) {
    return {{a.x, a.y}, {a.x, b.y}, {b.x, b.y}, {b.x, a.y}};
}

}  // namespace

void CAnalysisSettingPlayer::DrawOverlay() {
    DrawOsd();
    DrawShapes();
    DrawZoomRect();
}

void CAnalysisSettingPlayer::DrawShapes() {
    static const GroupStyle shields{kShieldAreaKind, kBlue, 3, true, "N", 20, false, 1};
    static const GroupStyle stops{kStopAreaKind, kGreen, 3, true, "P", 10, false, 0};
    static const GroupStyle solids{kSolidLineKind, kYellow, 2, false, "S", 10, true, 0};
    static const GroupStyle uturns{kUturnLineKind, kYellow, 2, false, "U", 10, true, 0};
    static const GroupStyle changes{kChangeLineKind, kYellow, 2, false, "C", 10, true, 0};
    if (!hideFlags[0]) DrawPolygonGroup(shapes.shieldAreas, shields);
    if (!hideFlags[1]) DrawCalibration();
    if (!hideFlags[2] && eventType == 0) DrawPolygonGroup(shapes.stopAreas, stops);
    if (!hideFlags[3] && eventType != 0) DrawLanes();
    if (!hideFlags[4] && eventType == 2) DrawLineGroup(shapes.solidLines, solids);
    if (!hideFlags[5] && eventType == 4) DrawLineGroup(shapes.uturnLines, uturns);
    if (!hideFlags[6] && eventType == 5) DrawLineGroup(shapes.changeLines, changes);
    if (!hideFlags[7] && eventType == 0) DrawSizeRects();
    DrawTargetSquare();
    DrawTargetBoxes();
    DrawCheckLine();
    DrawMesh();
}

int CAnalysisSettingPlayer::TextSize() const { return shownHeight() * 52 / 1080; }

void CAnalysisSettingPlayer::DrawLabel(const std::string& label, float x, float y, const DrawColour& colour) {
    if (label.empty()) return;
    DrawText(DrawingCoordinate(x), DrawingCoordinate(y), label.c_str(), TextSize(), colour);
}

void CAnalysisSettingPlayer::DrawGroupLabel(const GroupStyle& style, int index, const ShapePoint& a,
                                            const ShapePoint& b, const DrawColour& colour) {
    if (index < 0 || index >= style.labelEntries) return;  // no label beyond the table
    const std::string label = style.labelPrefix + std::to_string(index + 1);
    const ShapePoint mid = Midpoint(a, b);
    const int s = TextSize();
    if (style.labelAbove) {
        DrawLabel(label, mid.x, mid.y - static_cast<float>(2 * s / 3), colour);
    } else {
        const int len = static_cast<int>(label.size());
        DrawLabel(label, mid.x - static_cast<float>((len - style.labelShift) * s / 2), mid.y + 4.0f, colour);
    }
}

void CAnalysisSettingPlayer::DrawLabelledShape(const PointList& points, const GroupStyle& style, int index,
                                               const DrawColour& colour) {
    if (points.size() < 2) return;
    DrawLine(points[0], points[1], colour);
    DrawGroupLabel(style, index, points[0], points[1], colour);
    for (size_t i = 2; i < points.size(); ++i) DrawLine(points[i - 1], points[i], colour);
    if (style.closed) DrawLine(points.back(), points.front(), colour);
}

void CAnalysisSettingPlayer::DrawOutline(const PointList& points, bool closed, const DrawColour& colour) {
    for (size_t i = 1; i < points.size(); ++i) DrawLine(points[i - 1], points[i], colour);
    if (closed && points.size() > 1) DrawLine(points.back(), points.front(), colour);
}

void CAnalysisSettingPlayer::DrawMarker(const ShapePoint& point, const DrawColour& colour) {
    DrawSquare(DrawingCoordinate(point.x), DrawingCoordinate(point.y), kMarkerSide, colour);
}

// The shape being drawn, in red: each segment, with a marker at its start.
void CAnalysisSettingPlayer::DrawMarkedSegments(const PointList& points, bool markers) {
    for (size_t i = 1; i < points.size(); ++i) {
        if (markers) DrawMarker(points[i - 1], kRed);
        DrawLine(points[i - 1], points[i], kRed);
    }
}

// A two-corner rectangle being dragged: to the mouse while only its first corner exists.
void CAnalysisSettingPlayer::DrawDragRectangle(const PointList& points, const DrawColour& colour) {
    if (points.empty()) return;
    DrawRect(points.front(), points.size() >= 2 ? points.back() : MousePoint(), colour);
    DrawMarker(points.front(), colour);
    if (points.size() >= 2) DrawMarker(points.back(), colour);
}

// Shield and stop areas: each stored shape in the group's colour, then the one being edited in red,
// with markers and a rubber band while it is being drawn.
bool CAnalysisSettingPlayer::DrawStoredGroup(const ShapeList& list, const GroupStyle& style) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].size() < style.minimum) continue;
        if (currentKind == style.kind && selectedIndex == static_cast<int32_t>(i)) continue;
        DrawLabelledShape(list[i], style, static_cast<int>(i), style.colour);
    }
    if (currentKind != style.kind) return false;
    if (drawing) return true;
    if (editPoints.size() >= style.minimum) DrawLabelledShape(editPoints, style, selectedIndex, kRed);
    return false;
}

void CAnalysisSettingPlayer::DrawPolygonGroup(const ShapeList& list, const GroupStyle& style) {
    if (!DrawStoredGroup(list, style)) return;
    DrawMarkedSegments(editPoints, true);
    if (editPoints.empty()) return;
    if (editPoints.size() < style.minimum) {
        DrawLine(editPoints.back(), MousePoint(), kRed);
    } else {
        DrawLine(editPoints.front(), editPoints.back(), kRed);
        DrawGroupLabel(style, selectedIndex, editPoints[0], editPoints[1], kRed);
    }
    DrawMarker(editPoints.back(), kRed);
}

// Solid, U-turn and lane-change lines: open polylines, the label above the first segment.
void CAnalysisSettingPlayer::DrawLineGroup(const ShapeList& list, const GroupStyle& style) {
    if (!DrawStoredGroup(list, style)) return;
    DrawMarkedSegments(editPoints, true);
    if (editPoints.empty()) return;
    if (editPoints.size() == 1) DrawLine(editPoints.front(), MousePoint(), kRed);
    DrawMarker(editPoints.back(), kRed);
    if (editPoints.size() >= 2) DrawGroupLabel(style, selectedIndex, editPoints[0], editPoints[1], kRed);
}

void CAnalysisSettingPlayer::DrawLane(const PointList& outline, const PointList& direction, const GroupStyle& lanes,
                                      int index, const DrawColour& colour) {
    DrawOutline(outline, true, colour);
    DrawOutline(direction, false, colour);
    const ShapePoint& from = direction[direction.size() - 2];
    const ShapePoint& to = direction.back();
    DrawGroupLabel(lanes, index, from, to, colour);
    DrawArrowHead(colour, from.x, from.y, to.x, to.y);
}

// Lanes: the outline, its direction as a polyline with an arrow head, the label on the direction.
void CAnalysisSettingPlayer::DrawLanes() {
    static const GroupStyle lanes{kLaneKind, kGreen, 4, true, "L", 10, true, 0};
    const bool editingLane = currentKind == kLaneKind || currentKind == kLaneDirectionKind;
    const size_t count = std::min(shapes.laneLines.size(), shapes.laneDirections.size());
    for (size_t i = 0; i < count; ++i) {
        if (shapes.laneLines[i].size() < 4 || shapes.laneDirections[i].size() < 2) continue;
        if (editingLane && selectedIndex == static_cast<int32_t>(i)) continue;
        DrawLane(shapes.laneLines[i], shapes.laneDirections[i], lanes, static_cast<int>(i), kGreen);
    }
    if (!editingLane) return;
    if (!drawing) {
        if (editPoints.size() >= 4 && editDirection.size() >= 2)
            DrawLane(editPoints, editDirection, lanes, selectedIndex, kRed);
        return;
    }
    const bool markers = currentKind == kLaneKind;
    DrawMarkedSegments(editPoints, markers);
    if (!editPoints.empty()) {
        if (editPoints.size() < 4) {
            DrawLine(editPoints.back(), MousePoint(), kRed);
        } else {
            DrawLine(editPoints.front(), editPoints.back(), kRed);
        }
        if (markers) DrawMarker(editPoints.back(), kRed);
    }
    if (editDirection.size() >= 2) {
        DrawOutline(editDirection, false, kRed);
        const ShapePoint& from = editDirection[editDirection.size() - 2];
        DrawGroupLabel(lanes, selectedIndex, from, editDirection.back(), kRed);
        DrawArrowHead(kRed, from.x, from.y, editDirection.back().x, editDirection.back().y);
    } else if (editDirection.size() == 1) {
        const ShapePoint& from = editDirection.front();
        const ShapePoint mouse = MousePoint();
        DrawLine(from, mouse, kRed);
        DrawArrowHead(kRed, from.x, from.y, mouse.x, mouse.y);
        DrawGroupLabel(lanes, selectedIndex, from, mouse, kRed);
    }
}

void CAnalysisSettingPlayer::DrawSizeRects() {
    for (size_t i = 0; i < shapes.sizeRects.size(); ++i) {
        const PointList& rect = shapes.sizeRects[i];
        if (rect.size() < 2) continue;
        if (currentKind == kSizeRectKind && selectedIndex == static_cast<int32_t>(i)) continue;
        DrawOutline(Rectangle(rect.front(), rect.back()), true, kYellow);
    }
    if (currentKind != kSizeRectKind || editPoints.empty()) return;
    if (!drawing) {
        if (editPoints.size() >= 2) DrawOutline(Rectangle(editPoints.front(), editPoints.back()), true, kRed);
        return;
    }
    const ShapePoint far = editPoints.size() >= 2 ? editPoints.back() : MousePoint();
    DrawOutline(Rectangle(editPoints.front(), far), true, kRed);
    DrawMarker(editPoints.front(), kRed);
    if (editPoints.size() >= 2) DrawMarker(editPoints.back(), kRed);
}

// "宽" on the first side, "长" on the closing side from the first point to the last.
void CAnalysisSettingPlayer::DrawCalibrationLabels(const PointList& points, const DrawColour& colour) {
    if (owner_ != nullptr && owner_->controlType() == kUnlabelledCalibrationControl) return;
    const int s = TextSize();
    const float widthShift = static_cast<float>(2 * s / 2);  // the label is two bytes long
    if (points.size() >= 2) {
        const ShapePoint mid = Midpoint(points[0], points[1]);
        DrawLabel(kWidthLabel, mid.x - widthShift, mid.y + 4.0f, colour);
    }
    if (points.size() >= 3) {
        const ShapePoint mid = Midpoint(points.front(), points.back());
        DrawLabel(kLengthLabel, mid.x, mid.y - static_cast<float>(2 * s / 3), colour);
    }
}

void CAnalysisSettingPlayer::DrawCalibration() {
    if (currentKind == kCalibrationSearchKind) {
        DrawDragRectangle(editPoints, kRed);
        return;
    }
    if (currentKind != kCalibrationKind) {
        const PointList& stored = shapes.calibrationPoints;
        for (size_t i = 1; i < stored.size(); ++i) DrawLine(stored[i - 1], stored[i], kMagenta);
        if (stored.size() > 2) DrawLine(stored.front(), stored.back(), kMagenta);
        DrawCalibrationLabels(stored, kMagenta);
        return;
    }
    if (!drawing) {
        if (editPoints.size() < 4) return;
        DrawOutline(editPoints, true, kRed);
        DrawCalibrationLabels(editPoints, kRed);
        return;
    }
    DrawMarkedSegments(editPoints, true);
    if (editPoints.empty()) return;
    const ShapePoint mouse = MousePoint();
    if (editPoints.size() >= 4) {
        DrawLine(editPoints.front(), editPoints.back(), kRed);
        DrawMarker(editPoints.back(), kRed);
        DrawCalibrationLabels(editPoints, kRed);
        return;
    }
    DrawLine(editPoints.back(), mouse, kRed);
    DrawMarker(editPoints.back(), kRed);
    PointList labelled = editPoints;
    if (editPoints.size() == 1) {
        labelled.push_back(mouse);  // "宽" in the middle of the rubber band
    } else if (editPoints.size() == 3) {
        DrawLine(editPoints.front(), mouse, kRed);
        labelled.push_back(mouse);  // "长" on the second rubber band
    }
    DrawCalibrationLabels(labelled, kRed);
}

// The distance in the calibration rectangle's units, through the transform from the first four
// calibration points onto calibWidth x calibHeight.
float CAnalysisSettingPlayer::MeasureDistance(float x1, float y1, float x2, float y2, bool* measured) {
    *measured = false;
    if (shapes.calibrationPoints.size() < 4) return 0.0f;
    PerspectiveTransform toGround;
    PerspectiveTransform toPicture;
    if (ComputeCalibrationTransform(shapes.calibrationPoints.data(), calibWidth, calibHeight, &toGround, &toPicture) ==
        0) {
        return 0.0f;
    }
    *measured = true;
    return GroundDistance(toGround, {x1, y1}, {x2, y2});
}

// A finished check line stays 200 pictures; while only its first point exists it follows the mouse.
void CAnalysisSettingPlayer::DrawCheckLine() {
    if (checkLineCountdown < 1 || !HasPictureSize()) return;
    if (checkLinePoints.size() >= 2 && --checkLineCountdown < 1) checkLinePoints.clear();
    if (checkLinePoints.empty()) return;
    const ShapePoint p1 = checkLinePoints.front();
    const ShapePoint p2 = checkLinePoints.size() >= 2 ? checkLinePoints.back() : MousePoint();
    if (!IsCheckLineKind(currentKind)) return;
    bool measured = false;
    float distance = 0.0f;
    DrawMarker(p1, kRed);
    if (currentKind == kCheckLineKind) {
        DrawLine(p1, p2, kRed);
        distance = MeasureDistance(p1.x, p1.y, p2.x, p2.y, &measured);
    } else {
        DrawRect(p1, p2, kRed);
        const float middle = (p1.y + p2.y) / 2.0f;
        distance = MeasureDistance(p1.x, middle, p2.x, middle, &measured);
    }
    if (checkLinePoints.size() >= 2) DrawMarker(p2, kRed);
    if (!measured) return;
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(distance));
    const int len = static_cast<int>(std::strlen(text));
    const int s = TextSize();
    DrawLabel(text, (p1.x + p2.x) / 2.0f - static_cast<float>(len * s / 2), (p1.y + p2.y) / 2.0f + 4.0f, kRed);
}

void CAnalysisSettingPlayer::DrawHintText(int x, int y, const char* text, const DrawColour& colour) {
    if (hintText == nullptr || currentFrame_ == nullptr || !HasPictureSize()) return;
    const int32_t rgb[3] = {colour.c0, colour.c1, colour.c2};
    hintText->DrawText(currentFrame_->data, text, width_, shownHeight(), x, y, 3 * TextSize() / 4, rgb);
}

void CAnalysisSettingPlayer::DrawTargetSquare() {
    if (targetCountdown <= 0 || targetWidth <= 0) return;
    --targetCountdown;
    const int s = TextSize();
    const int cx = width_ / 2;
    const int cy = shownHeight() / 2;
    DrawSquare(cx, cy, targetWidth, kRed);
    DrawHintText(cx - s, cy - s / 2, "Target", kRed);
}

void CAnalysisSettingPlayer::DrawTargetBoxes() {
    if (targetBoxCountdown <= 0 || !HasPictureSize()) return;
    --targetBoxCountdown;
    const int s = TextSize();
    const std::pair<TargetBox*, const char*> boxes[] = {{&maxTargetBox, "max"}, {&minTargetBox, "min"}};
    for (const auto& [box, text] : boxes) {
        ClampRect(box, width_, height_);
        if (box->x < 0 || box->x >= width_ || box->y < 0 || box->y >= height_) continue;
        const int64_t right = int64_t{box->x} + box->w;
        const int64_t bottom = int64_t{box->y} + box->h;
        DrawRect({static_cast<float>(box->x), static_cast<float>(box->y)},
                 {static_cast<float>(right), static_cast<float>(bottom)}, kRed);
        DrawHintText(DrawingCoordinate(static_cast<double>(box->x) + box->w / 2 - 3 * s / 6),
                     DrawingCoordinate(static_cast<double>(box->y) + box->h / 2 - s / 2), text, kRed);
    }
}

void CAnalysisSettingPlayer::DrawMesh() {
    if (meshOn == 0 || meshSpacing <= 1 || meshSpacing >= width_) return;
    const int s = TextSize();
    const int textY = height_ - s - kMeshTop;
    char text[48];
    std::snprintf(text, sizeof(text), "SCALE:%dpixel", meshSpacing);
    DrawText(width_ / 2 - 4 * s, textY, text, s, kRed);
    for (int x = meshSpacing; x < width_; x += meshSpacing) {
        DrawLine({static_cast<float>(x), static_cast<float>(kMeshTop)},
                 {static_cast<float>(x), static_cast<float>(textY)}, kBlue);
    }
}

void CAnalysisSettingPlayer::DrawZoomRect() {
    if (!HasPictureSize() || currentKind != kZoomKind) return;
    DrawDragRectangle(editPoints, kRed);
}

// The setting view's right-button popup menus and the commands they send back as WM_COMMAND.
#include "app/analysis/analysis_setting_player.h"

#include "app/analysis/clamp_rect.h"
#include "app/analysis/popup_menu.h"
#include "app/analysis/saturating_conversion.h"
#include "app/analysis/shape_kind.h"
#include "app/util/critical_section_hold.h"
#include "host/events/windows_event.h"
#include "platform/window/win_window.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

namespace {

enum MenuCommand : UINT {
    kEditCommand = 200,
    kUndoCommand = 201,
    kSaveCommand = 202,
    kCancelCommand = 203,
    kDeleteCommand = 204,
    kZoomCommand = 205,
    kFreezeCommand = 401,
};

// The smallest zoom rectangle.
constexpr int32_t kZoomMinWidth = 200;
constexpr int32_t kZoomMinHeight = 100;

}  // namespace

std::vector<CAnalysisSettingPlayer::MenuItem> CAnalysisSettingPlayer::MenuAt(const ShapePoint& point) {
    const wchar_t* zoomText = ZoomInForce() ? L"原图" : L"放大";
    const MenuItem freeze{kFreezeCommand, keptFrame_ != nullptr ? L"画面恢复" : L"画面静止", false};
    if (currentKind == kNoShape && !SelectShapeAt(point)) {
        const std::vector<MenuItem> items{MenuItem{kZoomCommand, zoomText, false}, freeze};
        RememberMenu(items);
        return items;
    }
    if (editPoints.empty() && editDirection.empty() && checkLinePoints.empty() && zoomPoints.empty() &&
        currentKind != kCalibrationSearchKind) {
        return {};
    }
    int minimum = 0;
    int maximum = 0;
    GetPointLimits(&minimum, &maximum);
    const bool checkLine = IsCheckLineKind(currentKind);
    const bool lane = currentKind == kLaneKind || currentKind == kLaneDirectionKind;
    const bool undo = drawing && !checkLine && currentKind != kSizeRectKind && !editPoints.empty();
    const bool save = drawing && !checkLine &&
                      (lane ? editPoints.size() >= 4 && editDirection.size() >= 2
                            : editPoints.size() >= static_cast<size_t>(std::max(minimum, 0)));
    const bool noDelete = checkLine || currentKind == kCalibrationSearchKind || currentKind == kSizeRectKind;
    std::vector<MenuItem> items{
        {kEditCommand, L"编辑", drawing}, {kUndoCommand, L"撤销", !undo}, {kSaveCommand, L"保存", !save}};
    if (!drawing && currentKind != kZoomKind) items.push_back({kZoomCommand, zoomText, false});
    items.push_back({kCancelCommand, L"取消", false});
    items.push_back({kDeleteCommand, L"删除", noDelete});
    items.push_back(freeze);
    RememberMenu(items);
    return items;
}

void CAnalysisSettingPlayer::RememberMenu(const std::vector<MenuItem>& items) {
    menuOffer = MenuOffer{{}, currentKind, selectedIndex, drawing, editPoints.size(), editDirection.size(), true};
    for (const MenuItem& item : items) {
        if (!item.grayed) menuOffer.commands.push_back(item.id);
    }
}

bool CAnalysisSettingPlayer::TakeOfferedCommand(UINT id) {
    if (!menuOffer.open) return false;
    menuOffer.open = false;
    const bool offered =
        std::find(menuOffer.commands.begin(), menuOffer.commands.end(), id) != menuOffer.commands.end();
    return offered && menuOffer.kind == currentKind && menuOffer.index == selectedIndex &&
           menuOffer.drawing == drawing && menuOffer.points == editPoints.size() &&
           menuOffer.directionPoints == editDirection.size();
}

// The menu is modal: the choice arrives later as WM_COMMAND on the same window.
void CAnalysisSettingPlayer::ShowMenu(const std::vector<MenuItem>& items, int windowX, int windowY) {
    assert(OnOwnerThread());
    HWND window = GetCurrentHwnd();
    if (window != nullptr) ShowPopupMenu(window, windowX, windowY, items);
}

bool CAnalysisSettingPlayer::OnMenuCommand(UINT command) {
    CriticalSectionHold hold(frameLock_);
    if (TakeOfferedCommand(command)) RunMenuCommand(command);
    return true;
}

void CAnalysisSettingPlayer::RunMenuCommand(UINT id) {
    switch (id) {
        case kEditCommand:
            ResumeEditing();
            break;
        case kUndoCommand:
            RemoveLastPoint();
            break;
        case kSaveCommand:
            SaveCurrentShape();
            break;
        case kCancelCommand:
            CancelCurrentShape();
            break;
        case kDeleteCommand:
            DeleteCurrentShape();
            break;
        case kZoomCommand:
            ToggleZoom();
            break;
        case kFreezeCommand:
            if (keptFrame_ == nullptr) {
                Pause();
            } else {
                Resume();
            }
            break;
        default:
            break;
    }
}

// The zoom shows at least 200 x 100 picture pixels about the centre of the dragged rectangle, in
// the picture's proportions, kept inside the picture.
void CAnalysisSettingPlayer::ApplyZoomRect() {
    if (zoomPoints.empty() || width_ <= 0 || height_ <= 0) return;
    const ShapePoint& a = zoomPoints.front();
    const ShapePoint& b = zoomPoints.back();
    TargetBox zoom{SaturatingInt(std::min(a.x, b.x)), SaturatingInt(std::min(a.y, b.y)),
                   SaturatingInt(std::fabs(b.x - a.x)), SaturatingInt(std::fabs(b.y - a.y))};
    const int32_t cx = zoom.x + zoom.w / 2;
    const int32_t cy = zoom.y + zoom.h / 2;
    if (zoom.w < kZoomMinWidth) {
        zoom.w = kZoomMinWidth;
        zoom.x = cx - kZoomMinWidth / 2;
    }
    if (zoom.h < kZoomMinHeight) {
        zoom.h = kZoomMinHeight;
        zoom.y = cy - kZoomMinHeight / 2;
    }
    const float aspect = static_cast<float>(width_) / static_cast<float>(height_);
    if (static_cast<float>(zoom.w) / static_cast<float>(zoom.h) > aspect) {
        zoom.h = SaturatingInt(static_cast<float>(zoom.w) / aspect);
        zoom.y = cy - zoom.h / 2;
    } else {
        zoom.w = SaturatingInt(static_cast<float>(zoom.h) * aspect);
        zoom.x = cx - zoom.w / 2;
    }
    ClampRect(&zoom, width_, height_);
    if (zoom.w < 1 || zoom.h < 1) return;  // nothing of the picture left to show
    SetZoomRect(true, zoom.x, zoom.y, zoom.w, zoom.h);
}

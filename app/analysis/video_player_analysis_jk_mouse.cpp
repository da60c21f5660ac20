// The lane view's mouse and popup menu: a left click adds, selects or picks up a vertex of the
// shape being edited, or selects the shape under the pointer; a drag with the left button moves the
// picked vertex; a right click offers the menu, whose command comes back as WM_COMMAND.
#include "app/analysis/video_player_analysis_jk.h"

#include "app/analysis/poly_line_editing.h"
#include "app/analysis/window_to_picture.h"
#include "app/api/veltrin_api.h"
#include "app/util/critical_section_hold.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window.h"

#include <cassert>

bool CVideoPlayerAnalysisJK::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow*) {
    assert(OnOwnerThread());
    if (event == nullptr || !AcceptsPointer()) return false;
    const ShapePoint point = WindowToPicture(*this, event->m_x, event->m_y);
    if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Right) {
        const ShapeMenu menu = BuildMenu(point);
        menu.Show(GetCurrentHwnd(), event->m_x, event->m_y);
        return true;
    }
    if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Left) {
        CriticalSectionHold hold(frameLock_);
        if (current_ != nullptr && editMode_) {
            EditShapeAt(*this, *current_, point);
        } else {
            SelectShapeAt(point);
        }
    }
    return true;
}

// The lane lines lie above the monitor area; within a group the later shapes lie above. Every
// shape hit is reported, and the last one hit stays selected.
void CVideoPlayerAnalysisJK::SelectShapeAt(const ShapePoint& point) {
    current_ = nullptr;
    for (int g = kLaneLines; g >= kMonitorAreas; --g) {
        const ShapeGroup& group = groups_[g];
        if (!group.visible) continue;
        for (size_t i = group.shapes.size(); i-- > 0;) {
            if (group.shapes[i]->HitTest(point) <= 0) continue;
            current_ = static_cast<PolyLineJk*>(group.shapes[i].get());
            if (owner_ != nullptr) owner_->notifyClickArea(g, static_cast<int>(i));
        }
    }
    editMode_ = false;
}

bool CVideoPlayerAnalysisJK::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow*) {
    if (event == nullptr || !AcceptsPointer()) return false;
    if (GetKeyState(VK_LBUTTON) >= 0) return true;
    CriticalSectionHold hold(frameLock_);
    if (current_ != nullptr && editMode_) DragSelectedVertex(*current_, WindowToPicture(*this, event->m_x, event->m_y));
    return true;
}

bool CVideoPlayerAnalysisJK::onMouseUp(FB::MouseUpEvent*, FB::PluginWindow*) { return true; }

ShapeMenu CVideoPlayerAnalysisJK::BuildMenu(const ShapePoint& point) {
    CriticalSectionHold hold(frameLock_);
    ShapeMenu menu;
    if (current_ != nullptr && !editMode_) {
        menu.Add(kMenuEdit);
        menu.Add(kMenuDelete);
    } else if (current_ != nullptr) {
        if (IsLaneLine(current_)) {
            menu.Add(kMenuDetect);
            menu.Add(kMenuNoDetect);
            menu.Add(kMenuByVehiclePosition);
            menu.AddSeparator();
        }
        if (AddEditingItems(menu, *current_)) insertionPoint_ = point;
    }
    menuOffer_.Remember(menu, current_);
    return menu;
}

bool CVideoPlayerAnalysisJK::OnMenuCommand(UINT command) {
    RunMenuCommand(command);
    return true;
}

void CVideoPlayerAnalysisJK::RunMenuCommand(UINT command) {
    CriticalSectionHold hold(frameLock_);
    if (!menuOffer_.Take(command, current_)) return;
    switch (command) {
        case kMenuEdit:
            editMode_ = true;
            break;
        case kMenuSave:
            RemoveUnfinishedShapes();
            if (current_ != nullptr) current_->ClearSelection();
            editMode_ = false;
            current_ = nullptr;
            break;
        case kMenuDeleteVertex:
            current_->EraseSelectedVertex();
            break;
        case kMenuInsertVertex:
            current_->InsertAfterSelectedSegment(insertionPoint_);
            break;
        case kMenuDelete:
            DeleteShape(current_);
            break;
        case kMenuDetect:
            SetLabelMode(kLaneDetected);
            break;
        case kMenuNoDetect:
            SetLabelMode(kLaneNotDetected);
            break;
        case kMenuByVehiclePosition:
            SetLabelMode(kLaneByVehiclePosition);
            break;
        default:
            break;
    }
}

void CVideoPlayerAnalysisJK::SetLabelMode(int32_t mode) {
    current_->labelMode = mode;
    current_->SetLabel(MakeShapeLabel(IsLaneLine(current_), *current_));
}

// The named-area view's mouse and popup menu: every left press is told to the page with its
// picture point; it then adds, selects or picks up a vertex of the shape being edited, or selects
// the shape under the pointer, and a press that leaves no shape selected starts the base view's
// drag rectangle. A right click offers the menu, whose command comes back as WM_COMMAND.
#include "app/analysis/video_player_analysis_old.h"

#include "app/analysis/poly_line_editing.h"
#include "app/analysis/window_to_picture.h"
#include "app/api/veltrin_api.h"
#include "app/util/critical_section_hold.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window.h"

#include <cassert>

bool CVideoPlayerAnalysisOld::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) {
    assert(OnOwnerThread());
    if (event == nullptr || !AcceptsPointer()) return false;
    const ShapePoint point = WindowToPicture(*this, event->m_x, event->m_y);
    if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Right) {
        ShowMenu(BuildMenu(point), event->m_x, event->m_y);
        return true;
    }
    if (event->m_Btn != FB::MouseButtonEvent::MouseButton_Left) return true;
    bool selected = false;
    {
        CriticalSectionHold hold(frameLock_);
        // The page's own value for the owner means nothing to it: 0.
        if (owner_ != nullptr) owner_->notifyMouseDownVideo(0, PixelOf(point.x), PixelOf(point.y));
        if (current_ != nullptr && editMode_) {
            EditShapeAt(*this, *current_, point);
        } else {
            SelectShapeAt(point);
        }
        selected = current_ != nullptr;
    }
    return selected ? true : CVideoPlayer::onMouseDown(event, window);
}

// The groups are searched from the fifth down to the monitor areas, each from its last shape to its
// first; every shape hit is reported, and the last one hit stays selected.
void CVideoPlayerAnalysisOld::SelectShapeAt(const ShapePoint& point) {
    CriticalSectionHold hold(frameLock_);
    current_ = nullptr;
    for (int g = kGroupCount - 1; g >= 0; --g) {
        const ShapeGroup& group = groups_[g];
        if (!group.visible) continue;
        for (size_t i = group.shapes.size(); i-- > 0;) {
            PolyLine* shape = group.shapes[i].get();
            if (shape->HitTest(point) <= 0) continue;
            current_ = shape;
            ClickShape(shape);
        }
    }
    editMode_ = false;
}

bool CVideoPlayerAnalysisOld::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) {
    if (event == nullptr || !AcceptsPointer()) return false;
    if (GetKeyState(VK_LBUTTON) < 0) {
        CriticalSectionHold hold(frameLock_);
        if (current_ != nullptr && editMode_) {
            DragSelectedVertex(*current_, WindowToPicture(*this, event->m_x, event->m_y));
        }
    }
    return CVideoPlayer::onMouseMove(event, window);
}

// A calibration rectangle whose corner was dragged past the opposite one is put in order again.
bool CVideoPlayerAnalysisOld::onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) {
    {
        CriticalSectionHold hold(frameLock_);
        if (GroupOf(current_) == kCalibration) current_->MakeRectangle();
    }
    return CVideoPlayer::onMouseUp(event, window);
}

void CVideoPlayerAnalysisOld::AddMenuItems(ShapeMenu&) {}

ShapeMenu CVideoPlayerAnalysisOld::BuildMenu(const ShapePoint& point) {
    CriticalSectionHold hold(frameLock_);
    ShapeMenu menu;
    AddMenuItems(menu);
    if (current_ != nullptr && !editMode_) {
        menu.Add(kMenuEdit);
        menu.Add(kMenuDelete);
    } else if (current_ != nullptr && AddEditingItems(menu, *current_)) {
        insertionPoint_ = point;
    }
    menuOffer_.Remember(menu, current_);
    return menu;
}

void CVideoPlayerAnalysisOld::ShowMenu(const ShapeMenu& menu, int x, int y) { menu.Show(GetCurrentHwnd(), x, y); }

bool CVideoPlayerAnalysisOld::OnMenuCommand(UINT command) {
    RunMenuCommand(command);
    return true;
}

void CVideoPlayerAnalysisOld::RunMenuCommand(UINT command) {
    CriticalSectionHold hold(frameLock_);
    if (!menuOffer_.Take(command, current_)) return;
    switch (command) {
        case kMenuEdit:
            editMode_ = true;
            break;
        case kMenuSave:
            RemoveUnfinishedShapes();
            SaveShape(current_);
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
            current_ = nullptr;
            break;
        case kMenuRefresh:  // offered by the gun variants only
            RefreshStill();
            break;
        default:
            break;
    }
}

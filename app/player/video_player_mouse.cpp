// The camera view's drag rectangle: in region mode ("Do3DLocation") a left-button drag over the
// picture draws a rectangle, and releasing the button reports it to the page as region JSON.
#include "app/player/video_player.h"

#include "app/api/veltrin_api.h"
#include "app/player/region_json.h"
#include "app/util/critical_section_hold.h"
#include "host/events/mouse_events.h"
#include "host/plugin_window.h"
#include "platform/window/win_input.h"

#include <cstdint>

bool CVideoPlayer::HasPictureSize() const { return width_ > 0 && shownHeight() > 0; }

void CVideoPlayer::GetScaleFactors(float* sx, float* sy) const {
    const int displayWidth = GetDisplayWidth();
    const int displayHeight = GetDisplayHeight();
    if (int64_t{displayWidth} * displayHeight == 0) return;
    const int sourceWidth = zoomOn_ ? zoomWidth_ : width_;
    const int sourceHeight = zoomOn_ ? zoomHeight_ : height_;
    *sx = static_cast<float>(sourceWidth) / static_cast<float>(displayWidth);
    *sy = static_cast<float>(sourceHeight - cropRows_) / static_cast<float>(displayHeight);
}

void CVideoPlayer::RegionPoint(int x, int y, ShapePoint* point) const {
    float sx = 0.0f;
    float sy = 0.0f;
    GetScaleFactors(&sx, &sy);
    point->x = static_cast<float>(x) * sx;
    point->y = static_cast<float>(y) * sy;
}

// Mouse input counts only on a playing picture in a window with a size.
bool CVideoPlayer::AcceptsPointer() const {
    return playing_ && window_ != nullptr && window_->getWindowWidth() != 0 && window_->getWindowHeight() != 0 &&
           HasPictureSize();
}

bool CVideoPlayer::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow*) {
    if (!AcceptsPointer()) return false;
    if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Left && dragMode_) {
        CriticalSectionHold hold(frameLock_);
        if (dragPoints_.empty()) {
            ShapePoint first;
            RegionPoint(event->m_x, event->m_y, &first);
            dragPoints_.push_back(first);
        }
        dragging_ = true;
    }
    return true;
}

bool CVideoPlayer::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow*) {
    if (!AcceptsPointer()) return false;
    if (!dragMode_ || !dragging_) return true;
    CriticalSectionHold hold(frameLock_);
    if (GetKeyState(VK_LBUTTON) < 0) {
        ShapePoint corner;
        RegionPoint(event->m_x, event->m_y, &corner);
        if (dragPoints_.size() == 1) {
            dragPoints_.push_back(corner);
        } else if (dragPoints_.size() == 2) {
            dragPoints_[1] = corner;
        }
    } else {
        // The button went up outside the window: the drag is abandoned without a report.
        dragPoints_.clear();
        dragging_ = false;
    }
    return true;
}

bool CVideoPlayer::onMouseUp(FB::MouseUpEvent*, FB::PluginWindow*) {
    if (!playing_) return false;
    if (dragMode_) {
        ReportRegion();
        CriticalSectionHold hold(frameLock_);
        dragPoints_.clear();
        dragging_ = false;
    }
    return true;
}

void CVideoPlayer::ToggleRegionMode() {
    CriticalSectionHold hold(frameLock_);
    dragMode_ = !dragMode_;
    dragPoints_.clear();
}

void CVideoPlayer::ReportRegion() {
    PointList points;
    {
        CriticalSectionHold hold(frameLock_);
        points = dragPoints_;
    }
    if (points.empty() || points.size() > 2 || owner_ == nullptr) return;
    const ShapePoint& first = points.front();
    const ShapePoint& last = points.back();
    owner_->notifySet3DLocationParams(RegionJsonText(channelNumber_, first.x, last.x, first.y, last.y));
}

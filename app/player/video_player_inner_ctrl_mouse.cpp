// The control bar's mouse and timer: presses and releases on the buttons, the manual-analysis
// rectangle, and the countdowns that show the bar while the pointer is about and let go of a
// button held when the pointer has gone.
#include "app/player/video_player_inner_ctrl.h"

#include "app/analysis/poly_line_pixel.h"
#include "app/api/veltrin_api.h"
#include "app/player/region_json.h"
#include "app/util/critical_section_hold.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window.h"

#include <algorithm>
#include <cassert>

POINT CVideoPlayerInnerCtrl::PicturePixel(int x, int y) const {
    float sx = 0.0f;
    float sy = 0.0f;
    GetScaleFactors(&sx, &sy);
    return POINT{PixelOf(static_cast<float>(x) * sx), PixelOf(static_cast<float>(y) * sy)};
}

void CVideoPlayerInnerCtrl::DoManualAnalyse(int channel) {
    CriticalSectionHold hold(frameLock_);
    manualAnalyse_ = true;
    dragging_ = false;
    dragPoints_.clear();
    channelNumber_ = static_cast<int16_t>(channel);
}

bool CVideoPlayerInnerCtrl::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) {
    assert(OnOwnerThread());
    if (event == nullptr || !HasPictureSize()) return false;
    if (event->m_Btn == FB::MouseButtonEvent::MouseButton_Left) {
        const POINT pixel = PicturePixel(event->m_x, event->m_y);
        {
            CriticalSectionHold hold(frameLock_);
            if (manualAnalyse_) {
                if (dragPoints_.empty()) {
                    float sx = 0.0f;
                    float sy = 0.0f;
                    GetScaleFactors(&sx, &sy);
                    dragPoints_.push_back(
                        ShapePoint{static_cast<float>(event->m_x) * sx, static_cast<float>(event->m_y) * sy});
                }
                dragging_ = true;
            }
        }
        for (CtrlButton& each : buttons_) {
            if (each.Press(pixel.x, pixel.y) != 0) break;
        }
    }
    return CVideoPlayer::onMouseDown(event, window);
}

bool CVideoPlayerInnerCtrl::onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow*) {
    assert(OnOwnerThread());
    if (event == nullptr) return false;
    bool manual = false;
    {
        CriticalSectionHold hold(frameLock_);
        manual = manualAnalyse_;
        manualAnalyse_ = false;
    }
    if (manual) {
        ReportRegion();
        CriticalSectionHold hold(frameLock_);
        dragPoints_.clear();
        dragging_ = false;
    }
    HitTestButton(event->m_x, event->m_y);
    if (!playing_) return false;
    if (dragMode_) {
        CVideoPlayer::ReportRegion();
        CriticalSectionHold hold(frameLock_);
        dragPoints_.clear();
        dragging_ = false;
    }
    return true;
}

void CVideoPlayerInnerCtrl::HitTestButton(int x, int y) {
    const POINT pixel = PicturePixel(x, y);
    for (CtrlButton& each : buttons_) {
        if (each.Release(pixel.x, pixel.y) != 0) break;
    }
}

bool CVideoPlayerInnerCtrl::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) {
    if (event == nullptr) return false;
    const bool buttonDown = GetKeyState(VK_LBUTTON) < 0;
    {
        CriticalSectionHold hold(frameLock_);
        if (manualAnalyse_ && dragging_) {
            if (buttonDown) {
                float sx = 0.0f;
                float sy = 0.0f;
                GetScaleFactors(&sx, &sy);
                const ShapePoint corner{static_cast<float>(event->m_x) * sx, static_cast<float>(event->m_y) * sy};
                if (dragPoints_.size() == 1) dragPoints_.push_back(corner);
                if (dragPoints_.size() == 2) dragPoints_[1] = corner;
            } else {  // released outside the window: the rectangle is abandoned
                manualAnalyse_ = false;
                dragPoints_.clear();
                dragging_ = false;
            }
        }
    }
    pointerCountdown_ = kShownTicks;
    if (event->m_x != lastPointerX_ || event->m_y != lastPointerY_ || buttonDown) {
        barCountdown_ = kShownTicks;
        lastPointerX_ = event->m_x;
        lastPointerY_ = event->m_y;
    }
    return CVideoPlayer::onMouseMove(event, window);
}

bool CVideoPlayerInnerCtrl::onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window) {
    if (event == nullptr) return false;
    if (event->uMsg == WM_ERASEBKGND) return true;  // the picture covers the window
    if (event->uMsg == WM_TIMER) TickBar();
    return CVideoPlayer::onWindowsEvent(event, window);
}

// The bar stays while the pointer rests on a button; a button held down is let go once the pointer
// has been away from the view for five ticks.
void CVideoPlayerInnerCtrl::TickBar() {
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT frame{};
    HWND current = GetCurrentHwnd();
    if (current != nullptr) GetWindowRect(current, &frame);
    const int x = static_cast<int>(cursor.x - frame.left);
    const int y = static_cast<int>(cursor.y - frame.top);
    const POINT pixel = PicturePixel(x, y);
    const bool onButton = std::any_of(std::begin(buttons_), std::end(buttons_),
                                      [&](const CtrlButton& each) { return each.Contains(pixel.x, pixel.y); });
    if (onButton) barCountdown_ = kShownTicks;
    if (barCountdown_ > 0) --barCountdown_;
    // Over the view itself: its window, not the larger picture.
    if (x >= 0 && y >= 0 && x < GetDisplayWidth() && y < GetDisplayHeight()) pointerCountdown_ = kShownTicks;
    if (pointerCountdown_ > 0) --pointerCountdown_;
    if (pointerCountdown_ == 0) HitTestButton(0, 0);
}

void CVideoPlayerInnerCtrl::ReportRegion() {
    ShapePoint corner;
    ShapePoint oppositeCorner;
    int16_t channel = 0;
    {
        CriticalSectionHold hold(frameLock_);
        if (dragPoints_.size() != 2) return;
        corner = dragPoints_[0];
        oppositeCorner = dragPoints_[1];
        channel = channelNumber_;
    }
    if (owner_ == nullptr) return;
    owner_->notifySetManualAnalyseParams2(
        RegionJsonText(channel, std::min(corner.x, oppositeCorner.x), std::max(corner.x, oppositeCorner.x),
                       std::min(corner.y, oppositeCorner.y), std::max(corner.y, oppositeCorner.y)));
}

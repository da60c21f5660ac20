#include "app/player/preview_player.h"

#include "app/api/veltrin_api.h"
#include "app/player/device_status_records.h"
#include "app/player/osd_text.h"
#include "app/player/alarm_text_message.h"
#include "app/player/preview_message_intake.h"
#include "app/player/region_json.h"
#include "app/util/critical_section_hold.h"
#include "app/util/file_logger.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "host/plugin_window.h"
#include "platform/window/win_input.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Status records drawn into the view's current picture: segments with the line drawer (the
// colour's bytes written as Y, U and V), labels with the text drawer (read as red, green, blue).
class PictureCanvas : public StatusRecordCanvas {
public:
    explicit PictureCanvas(CVideoPlayer& view) : view_(view), textSize_(OsdTextSize(view.shownHeight())) {}

    void DrawStatusLine(const ShapePoint& from, const ShapePoint& to, const StatusColour& colour) override {
        view_.DrawLine(from, to, DrawColour{colour.red, colour.green, colour.blue});
    }
    void DrawStatusLabel(int x, int y, const char* text, const StatusColour& colour) override {
        view_.DrawText(x, y, text, textSize_, DrawColour{colour.red, colour.green, colour.blue});
    }

private:
    CVideoPlayer& view_;
    int textSize_;
};

}  // namespace

CPreviewPlayer::CPreviewPlayer(VeltrinAPI* owner, FB::PluginWindow* window) : CVideoPlayer(owner, window) {}

CPreviewPlayer::~CPreviewPlayer() { EndViewThreads(); }

void CPreviewPlayer::EndViewThreads() {
    Shutdown();
    DiscardPendingAlarmTexts(fullScreenWindow_);
    if (window_) DiscardPendingAlarmTexts(window_->getHWND());
}

void CPreviewPlayer::OnDeviceMessage(int type, const char* body, int length) {
    const PreviewMessageRoute route = RoutePreviewMessage(type, length);
    switch (route.action) {
        case PreviewMessageAction::Ignore:
            return;
        case PreviewMessageAction::DropOversizedAlarm:
            FileLogger::Write("received alarm info is too large:%d.", length);
            return;
        case PreviewMessageAction::PostAlarm: {
            CriticalSectionHold hold(frameLock_);  // the current window does not change under the post
            PostAlarmText(GetCurrentHwnd(), route.alarmMessage, body, length);
            return;
        }
        case PreviewMessageAction::TakeOsdRecord:
            CVideoPlayer::OnDeviceMessage(type, body, length);
            return;
        case PreviewMessageAction::StoreStatusRecord:
            StoreStatusRecord(type, body, length);
            return;
    }
}

void CPreviewPlayer::StoreStatusRecord(int type, const char* body, int length) {
    const StoredRecord stored = StoredRecordOf(type);
    if (!stored.bytes || !body || length < 0 || static_cast<size_t>(length) != stored.size) return;
    CriticalSectionHold hold(frameLock_);
    std::memcpy(stored.bytes, body, stored.size);
}

CPreviewPlayer::StoredRecord CPreviewPlayer::StoredRecordOf(int type) {
    switch (type) {
        case kDeviceLineSetShort:
            return {lineSetShort_, sizeof(lineSetShort_)};
        case kDeviceLineSet:
            return {lineSet_, sizeof(lineSet_)};
        case kDeviceLineSetBall:
            return {lineSetBall_, sizeof(lineSetBall_)};
        case kDeviceFigureSet:
            return {figureSet_, sizeof(figureSet_)};
        default:
            return {nullptr, 0};
    }
}

bool CPreviewPlayer::onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window) {
    if (!event || !IsAlarmTextMessage(event->uMsg)) return CVideoPlayer::onWindowsEvent(event, window);
    std::unique_ptr<char[]> text = TakeAlarmText(event->wParam);
    if (!text) return false;  // not a text of ours
    if (owner_) owner_->notifyAlarm(text.get());
    return true;
}

void CPreviewPlayer::DrawOverlay() {
    if (!playing_) return;
    DrawOsd();
    DrawExtraOverlay();
    DrawDragRect();
}

void CPreviewPlayer::DrawExtraOverlay() {
    DrawLineSet(lineSetShort_, sizeof(lineSetShort_), kLineSetShortEntries);
    DrawLineSet(lineSet_, sizeof(lineSet_), kLineSetEntries);
    DrawFigureSet(figureSet_, sizeof(figureSet_));
}

void CPreviewPlayer::DrawLineSet(const uint8_t* record, size_t size, int maxEntries) {
    PictureCanvas canvas(*this);
    WalkLineSet(record, size, maxEntries, canvas);
}

void CPreviewPlayer::DrawFigureSet(const uint8_t* record, size_t size) {
    PictureCanvas canvas(*this);
    WalkFigureSet(record, size, canvas);
}

void CPreviewPlayer::DoManualAnalyse(int channel) {
    CriticalSectionHold hold(frameLock_);
    manualAnalyse_ = true;
    dragging_ = false;
    dragPoints_.clear();
    channelNumber_ = static_cast<int16_t>(channel);
}

// Playing, with a picture size and a display to map the pointer from: without a display size the
// scale factors would stay unset.
bool CPreviewPlayer::PointerOverPicture() const {
    return playing_ && width_ > 0 && shownHeight() > 0 && GetDisplayWidth() > 0 && GetDisplayHeight() > 0;
}

ShapePoint CPreviewPlayer::PicturePoint(int x, int y) const {
    float sx = 0.0f;
    float sy = 0.0f;
    GetScaleFactors(&sx, &sy);
    return ShapePoint{static_cast<float>(x) * sx, static_cast<float>(y) * sy};
}

bool CPreviewPlayer::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow*) {
    if (!event || !PointerOverPicture()) return false;
    CriticalSectionHold hold(frameLock_);
    if (event->m_Btn != FB::MouseButtonEvent::MouseButton_Left || !(manualAnalyse_ || dragMode_)) return true;
    if (dragPoints_.empty()) dragPoints_.push_back(PicturePoint(event->m_x, event->m_y));
    dragging_ = true;
    return true;
}

bool CPreviewPlayer::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow*) {
    if (!event || !PointerOverPicture()) return false;
    CriticalSectionHold hold(frameLock_);
    if (!(manualAnalyse_ || dragMode_) || !dragging_) return true;
    if (GetKeyState(VK_LBUTTON) < 0) {
        const ShapePoint point = PicturePoint(event->m_x, event->m_y);
        if (dragPoints_.size() == 1)
            dragPoints_.push_back(point);
        else if (dragPoints_.size() == 2)
            dragPoints_[1] = point;
    } else {  // released outside the window: the rectangle is abandoned
        manualAnalyse_ = false;
        dragPoints_.clear();
        dragging_ = false;
    }
    return true;
}

// The region goes to the page outside the frame lock: a page handler may stop the view, which
// waits for the decode thread, which may be waiting for that lock.
bool CPreviewPlayer::onMouseUp(FB::MouseUpEvent*, FB::PluginWindow*) {
    if (!playing_) return false;
    bool manual = false;
    bool region = false;
    {
        CriticalSectionHold hold(frameLock_);
        manual = manualAnalyse_;
        region = !manual && dragMode_;
        manualAnalyse_ = false;
        dragging_ = false;
    }
    if (manual) ReportManualRegion();
    if (region) ReportRegion();
    if (manual || region) {
        CriticalSectionHold hold(frameLock_);
        dragPoints_.clear();
    }
    return true;
}

void CPreviewPlayer::ReportManualRegion() {
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
    // The corners ordered, whichever way the rectangle was dragged.
    if (owner_) {
        owner_->notifySetManualAnalyseParams(
            RegionJsonText(channel, std::min(corner.x, oppositeCorner.x), std::max(corner.x, oppositeCorner.x),
                           std::min(corner.y, oppositeCorner.y), std::max(corner.y, oppositeCorner.y)));
    }
}

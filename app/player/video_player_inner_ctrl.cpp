// The control bar's buttons: their bitmaps, places and actions, and their drawing.
#include "app/player/video_player_inner_ctrl.h"

#include "app/api/veltrin_api.h"
#include "app/util/critical_section_hold.h"
#include "app/util/path_directory.h"
#include "host/module_attach.h"
#include "platform/module/win_module.h"

#include <string>

namespace {

// The bitmaps lie in this folder beside the library.
constexpr char kBitmapFolder[] = "bmp\\";
constexpr int kModulePathSize = 1024;
// Below this many picture pixels per window pixel the bar would be too small to draw.
constexpr float kSmallestScale = 0.01f;
// The margin round the bar is ten window pixels.
constexpr float kMarginWindowPixels = 10.0f;
// Where the zoom buttons lie on the zoom label, in the label bitmap's own pixels.
constexpr double kZoomInLeftOfLabelEdge = 119.0;
constexpr double kZoomOutLeftOfLabelEdge = 21.0;
constexpr double kZoomButtonsBelowLabelTop = 85.0;
const DrawColour kRegionColour{255, 0, 0};

std::string BitmapFolder() {
    char path[kModulePathSize] = {};
    GetModuleFileNameA(FB::moduleHandle, path, kModulePathSize - 1);
    std::string folder;
    GetPathDirectory(path, folder);
    return folder + kBitmapFolder;
}

}  // namespace

// In bar order: the images, then what a press, a release and a click do.
struct CtrlButtonLook {
    const char* normal;
    const char* pressed;
    CtrlCallback onPress;
    CtrlCallback onRelease;
    CtrlCallback onClick;
};

template <int Command, int Action>
uint32_t CVideoPlayerInnerCtrl::ReportCommand(void* user) {
    static_cast<CVideoPlayerInnerCtrl*>(user)->Notify(Command, Action);
    return 1;
}

CVideoPlayerInnerCtrl::CVideoPlayerInnerCtrl(VeltrinAPI* owner, FB::PluginWindow* window)
    : CVideoPlayer(owner, window) {
    for (CtrlButton& each : buttons_) each.Reset();
    buttons_[kPlay].visible = 0;  // playing shows stop, stopped shows play, in one place
}

// The threads that draw the bar end before the buttons go.
CVideoPlayerInnerCtrl::~CVideoPlayerInnerCtrl() { Shutdown(); }

void CVideoPlayerInnerCtrl::Notify(int command, int action) {
    if (owner_ != nullptr) owner_->notifyInnerCtrlCmd(command, action);
}

// A click on stop stops the stream the way "StopPlay" does, so that the watchdog does not restart a
// stream the user stopped. A click on play starts it again and gives the watchdog back its
// restarts whatever this start answers: a camera that cannot be reached yet is retried as it was
// before the stop, where otherwise nothing would retry it (the bar takes no press until pictures
// come back).
uint32_t CVideoPlayerInnerCtrl::PlayClick(void* user) {
    auto* view = static_cast<CVideoPlayerInnerCtrl*>(user);
    view->buttons_[kPlay].visible = 0;
    view->buttons_[kStop].visible = 1;
    view->SetAutoRestart(true);
    view->Start();
    view->Notify(kCommandPlay, kActionOnce);
    return 1;
}

uint32_t CVideoPlayerInnerCtrl::StopClick(void* user) {
    auto* view = static_cast<CVideoPlayerInnerCtrl*>(user);
    view->buttons_[kPlay].visible = 1;
    view->buttons_[kStop].visible = 0;
    view->Stop();
    view->SetAutoRestart(false);
    view->Notify(kCommandStop, kActionOnce);
    return 1;
}

int CVideoPlayerInnerCtrl::InitOverlay() {
    float sx = 0.0f;
    float sy = 0.0f;
    GetScaleFactors(&sx, &sy);
    if (sx < kSmallestScale || sy < kSmallestScale) {
        for (CtrlButton& each : buttons_) {
            each.normal.clear();
            each.pressed.clear();
        }
        return 0;
    }
    PlaceButtons(sx, sy);
    // The view has just started: the bar offers to stop it.
    buttons_[kPlay].visible = 0;
    buttons_[kStop].visible = 1;
    return 1;
}

void CVideoPlayerInnerCtrl::PlaceButtons(float sx, float sy) {
    static const CtrlButtonLook kLooks[kButtonCount] = {
        {"moveUp.bmp", "moveUpDown.bmp", &ReportCommand<kCommandUp, kActionPressed>,
         &ReportCommand<kCommandUp, kActionReleased>, nullptr},
        {"moveDown.bmp", "moveDownDown.bmp", &ReportCommand<kCommandDown, kActionPressed>,
         &ReportCommand<kCommandDown, kActionReleased>, nullptr},
        {"moveLeft.bmp", "moveLeftDown.bmp", &ReportCommand<kCommandLeft, kActionPressed>,
         &ReportCommand<kCommandLeft, kActionReleased>, nullptr},
        {"moveRight.bmp", "moveRightDown.bmp", &ReportCommand<kCommandRight, kActionPressed>,
         &ReportCommand<kCommandRight, kActionReleased>, nullptr},
        {"Play.bmp", "PlayDown.bmp", nullptr, nullptr, &CVideoPlayerInnerCtrl::PlayClick},
        {"Stop.bmp", "StopDown.bmp", nullptr, nullptr, &CVideoPlayerInnerCtrl::StopClick},
        {"zoom.bmp", "zoom.bmp", nullptr, nullptr, nullptr},
        {"zoomIn.bmp", "zoomInDown.bmp", &ReportCommand<kCommandZoomIn, kActionPressed>,
         &ReportCommand<kCommandZoomIn, kActionReleased>, nullptr},
        {"zoomOut.bmp", "zoomOutDown.bmp", &ReportCommand<kCommandZoomOut, kActionPressed>,
         &ReportCommand<kCommandZoomOut, kActionReleased>, nullptr},
    };
    const std::string folder = BitmapFolder();
    const int W = width_;
    const int H = shownHeight();
    const int margin = static_cast<int>(sx * kMarginWindowPixels);
    for (int i = 0; i < kButtonCount; ++i) {
        CtrlButton& each = buttons_[i];
        LoadAndResizeImage(each.normal, (folder + kLooks[i].normal).c_str(), sx, sy, W, H);
        LoadAndResizeImage(each.pressed, (folder + kLooks[i].pressed).c_str(), sx, sy, W, H);
        each.onPress = kLooks[i].onPress;
        each.onRelease = kLooks[i].onRelease;
        each.onClick = kLooks[i].onClick;
        each.user = this;
    }
    auto place = [&](Button which, int x, int y) {
        buttons_[which].x = x;
        buttons_[which].y = y;
    };
    auto w = [&](Button which) { return buttons_[which].normal.width; };
    auto h = [&](Button which) { return buttons_[which].normal.height; };
    place(kUp, W / 2 - w(kUp) / 2, margin);
    place(kDown, W / 2 - w(kDown) / 2, H - h(kDown) - margin);
    place(kLeft, margin, H / 2 - h(kLeft) / 2);
    place(kRight, W - w(kRight) - margin, H / 2 - h(kRight) / 2);
    place(kPlay, margin, margin);
    place(kStop, margin, margin);
    place(kZoomLabel, W - w(kZoomLabel) - margin, margin);
    const int zoomY = static_cast<int>(margin + kZoomButtonsBelowLabelTop * sy / 3.0);
    place(kZoomIn, static_cast<int>(W - w(kZoomIn) - margin - kZoomInLeftOfLabelEdge * sx / 3.0), zoomY);
    place(kZoomOut, static_cast<int>(W - w(kZoomOut) - margin - kZoomOutLeftOfLabelEdge * sx / 3.0), zoomY);
}

// Under the frame lock, on the decode thread (or on the main thread painting an idle view black).
void CVideoPlayerInnerCtrl::DrawOverlay() {
    if (dragPoints_.size() == 2) DrawRect(dragPoints_[0], dragPoints_[1], kRegionColour);
    if (barCountdown_ <= 0) return;
    for (const CtrlButton& each : buttons_) each.Draw(*this);
}

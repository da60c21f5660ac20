// The view with an on-picture control bar ("SetFunction" type 6): nine buttons drawn from bitmap
// files into the picture let the user steer a pan-tilt-zoom camera (up, down, left, right, zoom in,
// zoom out) and stop or restart the live picture. The view does not move the camera: each button
// action goes to the page as "oninnerCtrlCmd" (window index, command, action), and the page talks
// to the camera. The bar shows while the pointer moves over the view and hides five timer ticks
// (2.5 s) after it stops. After "DoManualAnalyse" one dragged rectangle goes to the page through
// "onsetManualAnalyseParams2". The view takes no device message.
//
// Threads: mouse, timer and window messages on the main thread, drawing on the decode thread. The
// drag points and the manual-analysis mode are shared under the frame lock; the bar's countdown and
// the buttons' state and visibility are atomic; the images are made while the view starts, before
// any picture is drawn.
#pragma once

#include "app/player/ctrl_button.h"
#include "app/player/video_player.h"

#include <atomic>
#include <cstdint>

class CVideoPlayerInnerCtrl : public CVideoPlayer {
public:
    // The buttons in bar order.
    enum Button { kUp, kDown, kLeft, kRight, kPlay, kStop, kZoomLabel, kZoomIn, kZoomOut, kButtonCount };
    // Commands of "oninnerCtrlCmd" and their actions.
    enum Command {
        kCommandUp = 1,
        kCommandDown,
        kCommandLeft,
        kCommandRight,
        kCommandZoomIn,
        kCommandZoomOut,
        kCommandPlay,
        kCommandStop
    };
    enum Action { kActionOnce = 0, kActionPressed = 1, kActionReleased = 2 };
    // Timer ticks the bar stays after the pointer was last seen over the view.
    static constexpr int32_t kShownTicks = 5;

    CVideoPlayerInnerCtrl(VeltrinAPI* owner, FB::PluginWindow* window);
    ~CVideoPlayerInnerCtrl() override;

    void DoManualAnalyse(int channel) override;
    bool onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) override;
    bool onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) override;
    bool onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) override;
    bool onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window) override;
    // Loads the bitmaps for the window size of this start and places the buttons: 1, or 0 when the
    // window is too large for the picture (scale factor below 0.01), and then no bar is shown.
    int InitOverlay() override;
    void DrawOverlay() override;
    void OnDeviceMessage(int, const char*, int) override {}

    // Offers a release at the window point to the buttons in bar order, up to the first that acts.
    void HitTestButton(int x, int y);
    // The manual-analysis rectangle to the page, corners ordered; only with exactly two points.
    void ReportRegion();

    const CtrlButton& button(Button which) const { return buttons_[which]; }
    int32_t barCountdown() const { return barCountdown_; }

private:
    static uint32_t PlayClick(void* user);
    static uint32_t StopClick(void* user);
    template <int Command, int Action>
    static uint32_t ReportCommand(void* user);

    void Notify(int command, int action);
    void PlaceButtons(float sx, float sy);
    void TickBar();
    // The window point in picture pixels, truncated.
    POINT PicturePixel(int x, int y) const;

    CtrlButton buttons_[kButtonCount];
    std::atomic<int32_t> barCountdown_{0};
    int32_t pointerCountdown_ = 0;
    int32_t lastPointerX_ = 0;
    int32_t lastPointerY_ = 0;
    bool manualAnalyse_ = false;  // frame lock
};

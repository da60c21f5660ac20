// The camera view's window messages: the watchdog on the 500 ms timer, the restart and paint-black
// requests its threads post, the black paint, and full-screen display in a top-most popup window.
#include "app/player/video_player.h"

#include "app/api/veltrin_api.h"
#include "app/player/alarm_text_message.h"
#include "app/util/critical_section_hold.h"
#include "app/util/file_logger.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"
#include "host/plugin_window.h"
#include "platform/window/win_gdi.h"
#include "platform/window/win_input.h"
#include "platform/window/win_window.h"

#include <cassert>
#include <cstring>
#include <map>

namespace {

constexpr wchar_t kFullScreenClass[] = L"FullScreen";
constexpr wchar_t kFullScreenTitle[] = L"全屏";
constexpr UINT kFullScreenClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
constexpr ULONG_PTR kFullScreenBackground = 15;
// Ticks with nothing coming to the render queue after which the stream counts as stalled.
constexpr int32_t kStalledTicks = 5;
constexpr uint8_t kBlackLuma = 16;
constexpr uint8_t kBlackChroma = 128;

// From each full-screen window to its view; main thread only.
std::map<HWND, CVideoPlayer*>& FullScreenViews() {
    static std::map<HWND, CVideoPlayer*>* views = new std::map<HWND, CVideoPlayer*>;
    return *views;
}

// A black I420 picture of the given size from the pool, or null.
PooledPicture MakeBlackPicture(PicturePool& pool, int width, int height) {
    const int64_t lumaSize = int64_t{width} * height;
    const int64_t length = lumaSize * 3 / 2;
    PooledPicture picture = TakePooled(pool, static_cast<int32_t>(length));
    if (!picture) return picture;
    std::memset(picture->data, kBlackLuma, static_cast<size_t>(lumaSize));
    std::memset(picture->data + lumaSize, kBlackChroma, static_cast<size_t>(length - lumaSize));
    return picture;
}

}  // namespace

HWND CVideoPlayer::GetCurrentHwnd() const {
    if (fullScreen_) return fullScreenWindow_;
    return window_ ? window_->getHWND() : nullptr;
}

int CVideoPlayer::GetDisplayWidth() const {
    if (fullScreen_) return screenWidth_;
    return window_ ? window_->getWindowWidth() : 0;
}

int CVideoPlayer::GetDisplayHeight() const {
    if (fullScreen_) return screenHeight_;
    return window_ ? window_->getWindowHeight() : 0;
}

bool CVideoPlayer::PostToCurrentWindow(UINT message) {
    HWND window = GetCurrentHwnd();
    return window != nullptr && PostMessageW(window, message, 0, 0);
}

void CVideoPlayer::RequestRestart() {
    if (restartPending_.exchange(true)) return;
    if (!PostToCurrentWindow(kViewRestartMessage)) restartPending_ = false;
}

// The timer follows the view's window, so that a view made before its window still has a watchdog
// and no timer is left behind on a window the view no longer uses.
void CVideoPlayer::MoveWatchdogTimer(HWND window) {
    if (window == timerWindow_) return;
    if (timerWindow_ != nullptr) KillTimer(timerWindow_, kWatchdogTimerId);
    timerWindow_ = window;
    if (window != nullptr) SetTimer(window, kWatchdogTimerId, kWatchdogIntervalMs, nullptr);
}

bool CVideoPlayer::onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow*) {
    assert(OnOwnerThread());
    switch (event->uMsg) {
        case WM_TIMER:
            HandleWatchdogTick();
            return false;
        case kViewRestartMessage:
            restartPending_ = false;
            if (!autoRestart_) return false;
            FileLogger::Write("restart play.");
            Stop();
            Start();
            // The device link gives up reconnecting until its next start: a camera that went away
            // long enough to stall the picture took its link down too, and the restart brings both
            // back, so that its alarms are not lost for good.
            deviceLink_.ResumeIfGivenUp();
            return true;
        case kViewPaintBlackMessage:
            ClearWindow();
            return false;
        case WM_COMMAND:
            return playing_ && OnMenuCommand(LOWORD(event->wParam));
        default:
            return false;
    }
}

void CVideoPlayer::HandleWatchdogTick() {
    bool stalled = false;
    {
        CriticalSectionHold hold(renderQueueLock_);
        // A stopped view keeps its last pictures queued, yet nothing more comes: it counts as
        // stalled too, so that a view whose start failed is retried while restarts are on.
        const bool nothingComing = renderQueue_.empty() || !playing_;
        watchdogCount_ = nothingComing ? watchdogCount_ + 1 : 0;
        stalled = watchdogCount_ > kStalledTicks;
        if (stalled) watchdogCount_ = 0;
    }
    if (stalled) PostToCurrentWindow(kViewRestartMessage);
    if (renderRun_ == 0) PostToCurrentWindow(kViewPaintBlackMessage);
}

// With a known picture size the renderer shows a black picture (with the overlays of an idle view);
// before that the window is filled with a black brush.
void CVideoPlayer::ClearWindow() {
    const int shown = shownHeight();
    if (width_ > 0 && shown > 0 && int64_t{width_} * shown * 3 / 2 > 0) {
        const PooledPicture black = MakeBlackPicture(pictures_, width_, shown);
        if (!black) return;
        RECT storage{};
        CriticalSectionHold frameHold(frameLock_);
        CriticalSectionHold queueHold(renderQueueLock_);
        currentFrame_ = black.get();
        if (!playing_) DrawOverlay();
        ActiveRenderer()->Render(black->data, black->length, kRenderFormatI420, ZoomSource(storage));
        currentFrame_ = nullptr;
        return;
    }
    HWND window = GetCurrentHwnd();
    if (window == nullptr) return;
    HDC deviceContext = GetDC(window);
    if (deviceContext == nullptr) return;
    const RECT area{0, 0, GetDisplayWidth(), GetDisplayHeight()};
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(deviceContext, &area, brush);
    DeleteObject(brush);
    ReleaseDC(window, deviceContext);
}

void CVideoPlayer::RegisterFullScreenClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = kFullScreenClassStyle;
    windowClass.lpfnWndProc = &CVideoPlayer::FullScreenWndProc;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(kFullScreenBackground);
    windowClass.lpszClassName = kFullScreenClass;
    RegisterClassExW(&windowClass);  // every view registers; the second registration fails harmlessly
}

void CVideoPlayer::EnterFullScreen() {
    assert(OnOwnerThread());
    if (fullScreen_ || window_ == nullptr) return;
    screenWidth_ = GetSystemMetrics(SM_CXSCREEN);
    screenHeight_ = GetSystemMetrics(SM_CYSCREEN);
    HWND popup = CreateWindowExW(0, kFullScreenClass, kFullScreenTitle, WS_POPUP, 0, 0, screenWidth_, screenHeight_,
                                 window_->getHWND(), nullptr, instance_, nullptr);
    if (popup == nullptr) return;
    SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ShowWindow(popup, SW_SHOW);
    UpdateWindow(popup);
    const bool rendering = renderThread_.joinable();
    if (rendering) StopRenderThread();
    // Without a picture size there is nothing to present yet (the black fill needs no renderer);
    // the next Start makes the full-screen renderer for the size it learns.
    if (HasPictureSize() && renderer2_->Init(popup, width_, shownHeight(), kRenderFormatI420) < 0) {
        DestroyWindow(popup);  // not yet in the map: its messages go to the default procedure
        if (rendering) StartRenderThread();
        return;
    }
    // Switched before the render thread starts again, which then draws through renderer 2.
    {
        CriticalSectionHold hold(frameLock_);
        fullScreenWindow_ = popup;
        fullScreen_ = true;
    }
    FullScreenViews()[popup] = this;
    if (rendering) {
        StartRenderThread();
    } else {
        ClearWindow();
    }
}

void CVideoPlayer::LeaveFullScreen() {
    assert(OnOwnerThread());
    if (!fullScreen_) return;
    const bool rendering = renderThread_.joinable();
    if (rendering) StopRenderThread();
    HWND popup = fullScreenWindow_;
    {
        // The device link's thread finds the window to post alarm texts to under this lock.
        CriticalSectionHold hold(frameLock_);
        fullScreen_ = false;
        fullScreenWindow_ = nullptr;
    }
    DiscardPendingAlarmTexts(popup);  // the popup is going: what waits there would never be taken
    renderer2_->Close();
    if (rendering) StartRenderThread();
    if (owner_ != nullptr) owner_->notifyCloseFullScreen();
}

void CVideoPlayer::ForgetFullScreenWindow() {
    auto& views = FullScreenViews();
    for (auto entry = views.begin(); entry != views.end();) {
        entry = entry->second == this ? views.erase(entry) : std::next(entry);
    }
}

LRESULT CALLBACK CVideoPlayer::FullScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& views = FullScreenViews();
    auto found = views.find(window);
    if (found != views.end()) found->second->HandleFullScreenMessage(window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// The full-screen window covers the screen from (0, 0): the cursor's screen position is its
// client position. The view's answers are not used.
void CVideoPlayer::HandleFullScreenMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const int x = static_cast<int>(cursor.x);
    const int y = static_cast<int>(cursor.y);
    switch (message) {
        case WM_MOUSEMOVE: {
            FB::MouseMoveEvent event(x, y);
            onMouseMove(&event, nullptr);
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            FB::MouseDownEvent event(message == WM_LBUTTONDOWN ? 0 : 1, x, y, 0);
            onMouseDown(&event, nullptr);
            break;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            FB::MouseUpEvent event(message == WM_LBUTTONUP ? 0 : 1, x, y, 0);
            onMouseUp(&event, nullptr);
            break;
        }
        case WM_LBUTTONDBLCLK:
            DestroyWindow(window);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) DestroyWindow(window);
            break;
        case WM_DESTROY:
            ForgetFullScreenWindow();
            LeaveFullScreen();
            break;
        default: {
            LRESULT result = 0;
            FB::WindowsEvent event(window, message, wParam, lParam, result);
            onWindowsEvent(&event, nullptr);
            break;
        }
    }
}

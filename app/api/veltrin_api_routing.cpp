// The plug-in window's mouse input and raw window messages, passed on to the camera view. Main
// thread.
#include "app/api/veltrin_api.h"

#include "app/player/alarm_text_message.h"
#include "app/player/video_player.h"
#include "app/util/file_logger.h"
#include "host/events/mouse_events.h"
#include "host/events/windows_event.h"

namespace {

constexpr int kPressed = 0;
constexpr int kDoubleClicked = 1;

// Runs the handling between an entry and an exit line of the log.
template <class Event, class Handling>
bool Logged(const char* handler, const Event* event, Handling handling) {
    FileLogger::Write("%s in, x=%d, y=%d", handler, event->m_x, event->m_y);
    const bool handled = handling();
    FileLogger::Write("%s out, x=%d, y=%d", handler, event->m_x, event->m_y);
    return handled;
}

}  // namespace

bool VeltrinAPI::onMouseDown(FB::MouseDownEvent* event, FB::PluginWindow* window) {
    if (!view_) return false;
    fireOnMouseDownScreen(windowIndex_, kPressed);
    return Logged("onMouseDown", event, [&] { return view_->onMouseDown(event, window); });
}

// The view is not told of a double click.
bool VeltrinAPI::onMouseDoubleClickEvent(FB::MouseDoubleClickEvent* event, FB::PluginWindow*) {
    if (!view_) return false;
    return Logged("onMouseDoubleClickEvent", event, [&] {
        fireOnMouseDownScreen(windowIndex_, kDoubleClicked);
        return true;
    });
}

bool VeltrinAPI::onMouseUp(FB::MouseUpEvent* event, FB::PluginWindow* window) {
    if (!view_) return false;
    return Logged("onMouseUp", event, [&] { return view_->onMouseUp(event, window); });
}

bool VeltrinAPI::onMouseMove(FB::MouseMoveEvent* event, FB::PluginWindow* window) {
    if (!view_) return false;
    return Logged("onMouseMove", event, [&] { return view_->onMouseMove(event, window); });
}

// In device mode no message reaches a view. A view made after the device mode still posts the
// camera's alarm texts to the window: nobody hears them, and each text is freed here.
bool VeltrinAPI::onWindowsEvent(FB::WindowsEvent* event, FB::PluginWindow* window) {
    if (!view_) return false;
    if (deviceMode()) {
        if (event && IsAlarmTextMessage(event->uMsg)) TakeAlarmText(event->wParam);
        return false;
    }
    return view_->onWindowsEvent(event, window);
}

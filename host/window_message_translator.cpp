#include "host/window_message_translator.h"

#include "host/events/key_codes.h"
#include "host/events/key_events.h"
#include "host/events/modifier_keys.h"
#include "host/events/mouse_events.h"
#include "platform/window/win_window.h"

namespace FB {

namespace {

struct ButtonMessage {
    UINT message;
    MouseButtonEvent::Button button;
    bool down;
};

constexpr ButtonMessage kButtonMessages[] = {
    {WM_LBUTTONDOWN, MouseButtonEvent::MouseButton_Left, true},
    {WM_LBUTTONUP, MouseButtonEvent::MouseButton_Left, false},
    {WM_RBUTTONDOWN, MouseButtonEvent::MouseButton_Right, true},
    {WM_RBUTTONUP, MouseButtonEvent::MouseButton_Right, false},
    {WM_MBUTTONDOWN, MouseButtonEvent::MouseButton_Middle, true},
    {WM_MBUTTONUP, MouseButtonEvent::MouseButton_Middle, false},
};

const ButtonMessage* findButtonMessage(UINT message) {
    for (const ButtonMessage& entry : kButtonMessages) {
        if (entry.message == message) return &entry;
    }
    return nullptr;
}

template <class Event, class... Args>
bool broadcast(PluginEventSource& window, Args... args) {
    Event event(args...);
    return window.broadcastEvent(&event);
}

bool broadcastButton(PluginEventSource& window, const ButtonMessage& press, int x, int y) {
    // The modifiers are those held when the message is handled, as the keyboard state reports them.
    const unsigned modifiers = currentModifierState();
    if (press.down) return broadcast<MouseDownEvent>(window, press.button, x, y, modifiers);
    return broadcast<MouseUpEvent>(window, press.button, x, y, modifiers);
}

}  // namespace

bool translateInputMessage(PluginEventSource& window, UINT message, WPARAM wParam, LPARAM lParam, POINT origin) {
    const auto key = static_cast<unsigned>(wParam);
    // Signed 16-bit halves: a position left of or above the window arrives negative.
    const int x = GET_X_LPARAM(lParam) - origin.x;
    const int y = GET_Y_LPARAM(lParam) - origin.y;
    switch (message) {
        case WM_KEYDOWN:
            return broadcast<KeyDownEvent>(window, windowsKeyToFBKey(key), key, 0u);
        case WM_KEYUP:
            return broadcast<KeyUpEvent>(window, windowsKeyToFBKey(key), key, 0u);
        case WM_MOUSEMOVE:
            return broadcast<MouseMoveEvent>(window, x, y);
        default:
            break;
    }
    const ButtonMessage* press = findButtonMessage(message);
    return press != nullptr && broadcastButton(window, *press, x, y);
}

}  // namespace FB

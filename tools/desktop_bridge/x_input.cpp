#include "tools/desktop_bridge/x_input.h"

#include "platform/window/win_input.h"
#include "platform/window/win_input_testing.h"

#include <X11/keysym.h>

#include <optional>

namespace desktop {

namespace {

using platform::testing::MouseButton;

std::optional<MouseButton> buttonOf(unsigned button) {
    switch (button) {
        case Button1:
            return MouseButton::Left;
        case Button2:
            return MouseButton::Middle;
        case Button3:
            return MouseButton::Right;
        default:
            return std::nullopt;  // wheel steps and extra buttons have no message here
    }
}

bool forwardButton(HWND window, const XButtonEvent& event, bool press) {
    std::optional<MouseButton> button = buttonOf(event.button);
    if (!button) return false;
    if (press) {
        // The window is clicked into: keystrokes go to it from now on, as the original gives a
        // clicked plug-in window the focus.
        SetFocus(window);
        platform::testing::mouseDown(window, *button, event.x, event.y);
    } else {
        platform::testing::mouseUp(window, *button, event.x, event.y);
    }
    return true;
}

bool forwardKey(HWND window, XKeyEvent event, bool press) {
    const BYTE key = virtualKeyOf(XLookupKeysym(&event, 0));
    if (key == 0) return false;
    if (GetFocus() != window) SetFocus(window);
    if (press) {
        platform::testing::keyDown(key);
    } else {
        platform::testing::keyUp(key);
    }
    return true;
}

}  // namespace

BYTE virtualKeyOf(KeySym symbol) {
    if (symbol >= XK_a && symbol <= XK_z) return static_cast<BYTE>('A' + (symbol - XK_a));
    if (symbol >= XK_A && symbol <= XK_Z) return static_cast<BYTE>('A' + (symbol - XK_A));
    if (symbol >= XK_0 && symbol <= XK_9) return static_cast<BYTE>('0' + (symbol - XK_0));
    switch (symbol) {
        case XK_Escape:
            return VK_ESCAPE;
        case XK_Return:
        case XK_KP_Enter:
            return VK_RETURN;
        case XK_Tab:
            return VK_TAB;
        case XK_BackSpace:
            return VK_BACK;
        case XK_space:
            return VK_SPACE;
        case XK_Delete:
            return VK_DELETE;
        case XK_Left:
            return VK_LEFT;
        case XK_Up:
            return VK_UP;
        case XK_Right:
            return VK_RIGHT;
        case XK_Down:
            return VK_DOWN;
        case XK_Shift_L:
        case XK_Shift_R:
            return VK_SHIFT;
        case XK_Control_L:
        case XK_Control_R:
            return VK_CONTROL;
        case XK_Alt_L:
        case XK_Alt_R:
            return VK_MENU;
        default:
            return 0;
    }
}

bool forwardInput(HWND window, const XEvent& event) {
    switch (event.type) {
        case ButtonPress:
            return forwardButton(window, event.xbutton, true);
        case ButtonRelease:
            return forwardButton(window, event.xbutton, false);
        case MotionNotify:
            platform::testing::mouseMove(window, event.xmotion.x, event.xmotion.y);
            return true;
        case KeyPress:
            return forwardKey(window, event.xkey, true);
        case KeyRelease:
            return forwardKey(window, event.xkey, false);
        case FocusIn:
            SetFocus(window);
            return true;
        case FocusOut:
            if (GetFocus() == window) SetFocus(nullptr);
            return true;
        default:
            return false;
    }
}

}  // namespace desktop

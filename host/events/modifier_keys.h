// The modifier bits of a mouse event, read from the keyboard state when the event is built.
#pragma once

#include "host/events/mouse_events.h"
#include "platform/window/win_input.h"

namespace FB {

inline unsigned currentModifierState() {
    unsigned state = 0;
    if (GetKeyState(16) & 0x8000) state |= ModifierState_Shift;
    if (GetKeyState(17) & 0x8000) state |= ModifierState_Control;
    if (GetKeyState(18) & 0x8000) state |= ModifierState_Alt;
    return state;
}

}  // namespace FB
